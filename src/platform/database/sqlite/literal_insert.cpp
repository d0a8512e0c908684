#include "platform/database/sqlite/literal_insert.h"

#include <cstring>
#include <limits>

namespace {

// Reads the statement's text from the start; every step answers false when
// the text is not what it expects, and then nothing has been taken for read.
class Reader {
public:
    explicit Reader(const QByteArray& text) : text_(text) {}

    bool atEnd()
    {
        skipBlanks();
        return pos_ == text_.size();
    }

    bool keyword(const char* word)
    {
        skipBlanks();
        const qsizetype start = pos_;
        if (!identifier()
            || QByteArrayView(text_).sliced(start, pos_ - start).compare(word, Qt::CaseInsensitive) != 0) {
            pos_ = start;
            return false;
        }
        return true;
    }

    bool symbol(char c)
    {
        skipBlanks();
        if (pos_ < text_.size() && text_.at(pos_) == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // A name made of letters, digits and underscores, not starting with a digit.
    bool identifier()
    {
        skipBlanks();
        const qsizetype start = pos_;
        while (pos_ < text_.size() && (isLetter(text_.at(pos_)) || (pos_ > start && isDigit(text_.at(pos_)))))
            ++pos_;
        return pos_ > start;
    }

    bool literal(LiteralInsert::Value& value, std::vector<QByteArray>& unescaped)
    {
        skipBlanks();
        if (pos_ == text_.size())
            return false;
        const char c = text_.at(pos_);
        if (c == '\'')
            return text(value, unescaped);
        if (c == '-' || c == '+' || isDigit(c))
            return integer(value);
        if (keyword("NULL")) {
            value.kind = LiteralInsert::Value::Kind::Null;
            return true;
        }
        return false;
    }

    qsizetype position() const { return pos_; }

    // Steps over `head` when the text starts with it and goes on with no
    // more of its last word: read anew, the same bytes would read the same.
    bool skip(QByteArrayView head)
    {
        if (head.isEmpty() || !QByteArrayView(text_).startsWith(head))
            return false;
        const qsizetype end = head.size();
        if (end < text_.size() && (isLetter(text_.at(end)) || isDigit(text_.at(end))))
            return false;
        pos_ = end;
        return true;
    }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

    void skipBlanks()
    {
        while (pos_ < text_.size()) {
            const char c = text_.at(pos_);
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f')
                break;
            ++pos_;
        }
    }

    bool text(LiteralInsert::Value& value, std::vector<QByteArray>& unescaped)
    {
        const qsizetype start = pos_ + 1;
        qsizetype from = start;
        bool doubled = false;
        for (;;) {
            const qsizetype quote = text_.indexOf('\'', from);
            if (quote < 0)
                return false;
            // SQLite's text would end at a NUL, before its closing apostrophe.
            if (std::memchr(text_.constData() + from, '\0', std::size_t(quote - from)))
                return false;
            if (quote + 1 < text_.size() && text_.at(quote + 1) == '\'') {
                doubled = true;
                from = quote + 2;
                continue;
            }
            value.kind = LiteralInsert::Value::Kind::Text;
            value.text = QByteArrayView(text_).sliced(start, quote - start);
            if (doubled) {
                unescaped.push_back(value.text.toByteArray().replace("''", "'"));
                value.text = unescaped.back();
            }
            pos_ = quote + 1;
            return true;
        }
    }

    // A sign written right before the digits, as the update writes numbers;
    // what would not fit 64 bits SQLite reads as a floating-point number.
    bool integer(LiteralInsert::Value& value)
    {
        qsizetype i = pos_;
        const bool negative = text_.at(i) == '-';
        if (text_.at(i) == '-' || text_.at(i) == '+')
            ++i;
        const qsizetype digits = i;
        quint64 magnitude = 0;
        constexpr quint64 kLimit = std::numeric_limits<qint64>::max();
        while (i < text_.size() && isDigit(text_.at(i))) {
            const auto digit = static_cast<quint64>(text_.at(i) - '0');
            if (magnitude > (kLimit - digit) / 10)
                return false;
            magnitude = magnitude * 10 + digit;
            ++i;
        }
        // A digit string that goes on as a decimal, an exponent or a name is no whole number.
        if (i == digits || (i < text_.size() && (isLetter(text_.at(i)) || text_.at(i) == '.')))
            return false;
        value.kind = LiteralInsert::Value::Kind::Integer;
        value.integer = negative ? -static_cast<qint64>(magnitude) : static_cast<qint64>(magnitude);
        pos_ = i;
        return true;
    }

    const QByteArray& text_;
    qsizetype pos_ = 0;
};

}  // namespace

QByteArray LiteralInsert::parameterized() const
{
    QByteArray text = head.toByteArray();
    text += " (";
    for (std::size_t i = 0; i < values.size(); ++i)
        text += i == 0 ? "?" : ", ?";
    text += ')';
    return text;
}

namespace {

bool ReadHead(Reader& reader)
{
    if (!reader.keyword("INSERT") || !reader.keyword("INTO") || !reader.identifier() || !reader.symbol('('))
        return false;
    do {
        if (!reader.identifier())
            return false;
    } while (reader.symbol(','));
    return reader.symbol(')') && reader.keyword("VALUES");
}

}  // namespace

bool ReadLiteralInsert(const QByteArray& sql, LiteralInsert& insert, QByteArrayView knownHead)
{
    insert.values.clear();
    insert.unescaped.clear();
    Reader reader(sql);
    if (!reader.skip(knownHead) && !ReadHead(reader))
        return false;
    insert.head = QByteArrayView(sql).first(reader.position());
    if (!reader.symbol('('))
        return false;
    do {
        LiteralInsert::Value value;
        if (!reader.literal(value, insert.unescaped))
            return false;
        insert.values.push_back(value);
    } while (reader.symbol(','));
    if (!reader.symbol(')'))
        return false;
    reader.symbol(';');
    return reader.atEnd();
}
