#include "platform/database/jet/in_place/jet_statement.h"

#include "platform/database/jet/jet_sql_tokens.h"
#include "platform/runtime/runtime_error.h"

#include <QLocale>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// Whether the token is the ASCII word given, in any case or exactly: the
// parser asks this several times a token, for every row of the update.
bool SameAscii(QStringView token, const char* word, bool ignoreCase)
{
    qsizetype i = 0;
    for (; word[i] != '\0'; ++i) {
        if (i == token.size())
            return false;
        char16_t c = token[i].unicode();
        if (ignoreCase && c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
        const char16_t w = ignoreCase && word[i] >= 'a' && word[i] <= 'z' ? word[i] - 'a' + 'A' : word[i];
        if (c != w)
            return false;
    }
    return i == token.size();
}

// The value of a token of decimal digits alone that fits 64 bits; empty
// for any other number. Read digit by digit: every row of the update holds
// several, and Qt's conversion goes through a copy of the text first.
std::optional<qulonglong> WholeNumber(QStringView digits)
{
    constexpr int kSafeDigits = 19;  // 10^19 - 1 still fits an unsigned 64-bit number
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits = digits.sliced(1);
    if (digits.isEmpty() || digits.size() > kSafeDigits)
        return std::nullopt;
    qulonglong value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// A whole number and its sign as a 64-bit integer; empty when the digits
// are not a whole number or it does not fit.
std::optional<qint64> WholeLiteral(QStringView digits, bool negative)
{
    const std::optional<qulonglong> magnitude = WholeNumber(digits);
    constexpr qulonglong kLargest = std::numeric_limits<qint64>::max();
    if (!magnitude || *magnitude > kLargest + (negative ? 1 : 0))
        return std::nullopt;
    return negative ? qint64(0 - *magnitude) : qint64(*magnitude);
}

class Parser {
public:
    Parser(const QString& sql, qsizetype from) : sql_(sql), tokens_(sql, from) { advance(); }

    // Where the current token begins in the statement.
    qsizetype position() const { return token_.kind == Token::End ? sql_.size() : token_.text.data() - sql_.data(); }

    bool atKeyword(const char* keyword) const
    {
        return token_.kind == Token::Name && SameAscii(token_.text, keyword, true);
    }

    void keyword(const char* word)
    {
        if (!atKeyword(word))
            throw SyntaxError();
        advance();
    }

    void symbol(const char* text)
    {
        if (!atSymbol(text))
            throw SyntaxError();
        advance();
    }

    bool atSymbol(const char* text) const
    {
        return token_.kind == Token::Symbol && SameAscii(token_.text, text, false);
    }

    QString name() { return nameInStatement().toString(); }

    // The name where the statement holds it.
    QStringView nameInStatement()
    {
        if (token_.kind != Token::Name && token_.kind != Token::Bracketed)
            throw SyntaxError();
        const QStringView text = token_.text;
        advance();
        return text;
    }

    Variant literal()
    {
        if (atKeyword("Null")) {
            advance();
            return {};
        }
        if (token_.kind == Token::Text) {
            Variant value(std::move(token_.unquoted));
            advance();
            return value;
        }
        bool negative = false;
        if (atSymbol("-") || atSymbol("+")) {
            negative = atSymbol("-");
            advance();
        }
        if (token_.kind != Token::Number)
            throw SyntaxError();
        // Whole numbers, most of the literals, are read where they stand.
        if (const std::optional<qint64> whole = WholeLiteral(token_.text, negative)) {
            advance();
            return Variant(*whole);
        }
        const QString digits = (negative ? QStringLiteral("-") : QString()) + token_.text.toString();
        advance();
        bool ok = false;
        const double number = QLocale::c().toDouble(digits, &ok);
        if (!ok || !std::isfinite(number))
            throw SyntaxError();
        return Variant(number);
    }

    void end()
    {
        while (atSymbol(";"))
            advance();
        if (token_.kind != Token::End)
            throw SyntaxError();
    }

private:
    void advance() { token_ = tokens_.next(); }

    const QString& sql_;
    Tokenizer tokens_;
    Token token_;
};

JetDelete ParseDelete(Parser& parser)
{
    JetDelete statement;
    parser.keyword("FROM");
    statement.table = parser.name();
    parser.keyword("WHERE");
    statement.where.column = parser.name();
    parser.symbol(">=");
    const Variant lowest = parser.literal();
    if (lowest.type() != Variant::Type::Integer)
        throw SyntaxError();
    statement.where.lowest = lowest.integer();
    parser.end();
    return statement;
}

// The column names of an INSERT, none twice. Every row of the update names
// the same columns: the list of the previous statement, checked already, is
// shared instead of copied anew.
QStringList ColumnList(const QVarLengthArray<QStringView, 16>& names)
{
    thread_local QStringList previous;
    if (std::equal(names.begin(), names.end(), previous.begin(), previous.end()))
        return previous;
    QStringList columns;
    for (const QStringView column : names) {
        for (const QString& earlier : std::as_const(columns)) {
            // Names of different lengths never match, whatever their case.
            if (earlier.size() == column.size() && earlier.compare(column, Qt::CaseInsensitive) == 0)
                throw RuntimeError(ErrorNumber::StatementRejected,
                                   QStringLiteral("Destinazione di output '%1' replicata.").arg(column));
        }
        columns.append(column.toString());
    }
    previous = columns;
    return columns;
}

// The head of an INSERT, up to the "(" of its values: the table and the
// columns, with the text they were read from.
struct InsertHead {
    QString text;
    QString table;
    QStringList columns;
};

// Every row of the update is an INSERT with the head of the one before. A
// statement that begins with that head's text followed by "(", as the one
// before went on, is read into the same tokens up to there: its head is
// not read again.
thread_local InsertHead previousHead;

// The values of an insert read where they stand, in the forms the update
// writes them: texts without a doubled apostrophe, whole numbers that fit
// 64 bits with a sign right before them, Null, between "(", commas and ")",
// then nothing but ";". Empty for anything else (a decimal point, a word
// running on past a value), which the tokens then read as they read every
// statement: both give the same values.
std::optional<std::vector<Variant>> PlainValues(const QString& sql, qsizetype at, qsizetype expected)
{
    const QChar* c = sql.constData();
    const qsizetype size = sql.size();
    const auto skipSpaces = [&] {
        while (at < size && c[at].isSpace())
            ++at;
    };
    skipSpaces();
    if (at >= size || c[at] != QLatin1Char('('))
        return std::nullopt;
    ++at;
    std::vector<Variant> values;
    values.reserve(static_cast<std::size_t>(expected));
    for (;;) {
        skipSpaces();
        if (at >= size)
            return std::nullopt;
        if (c[at] == QLatin1Char('\'')) {
            const qsizetype close = sql.indexOf(QLatin1Char('\''), at + 1);
            if (close < 0 || (close + 1 < size && c[close + 1] == QLatin1Char('\'')))
                return std::nullopt;
            values.emplace_back(QString(c + at + 1, close - at - 1));
            at = close + 1;
        } else if (c[at] == QLatin1Char('-') || c[at] == QLatin1Char('+') || (c[at] >= u'0' && c[at] <= u'9')) {
            const bool negative = c[at] == QLatin1Char('-');
            const qsizetype start = c[at] >= u'0' && c[at] <= u'9' ? at : at + 1;
            qsizetype end = start;
            while (end < size && c[end] >= u'0' && c[end] <= u'9')
                ++end;
            if (end == start)  // a space after the sign
                return std::nullopt;
            const std::optional<qint64> whole = WholeLiteral(QStringView(c + start, end - start), negative);
            if (!whole)
                return std::nullopt;
            values.emplace_back(*whole);
            at = end;
        } else if (size - at >= 4 && SameAscii(QStringView(c + at, 4), "Null", true)) {
            values.emplace_back();
            at += 4;
        } else {
            return std::nullopt;
        }
        skipSpaces();
        if (at < size && c[at] == QLatin1Char(',')) {
            ++at;
            continue;
        }
        if (at < size && c[at] == QLatin1Char(')')) {
            ++at;
            break;
        }
        return std::nullopt;
    }
    for (skipSpaces(); at < size && c[at] == QLatin1Char(';'); skipSpaces())
        ++at;
    if (at != size || static_cast<qsizetype>(values.size()) != expected)
        return std::nullopt;
    return values;
}

void ReadValues(const QString& sql, Parser& parser, JetInsert& statement)
{
    if (std::optional<std::vector<Variant>> values = PlainValues(sql, parser.position(), statement.columns.size())) {
        statement.values = std::move(*values);
        return;
    }
    parser.symbol("(");
    statement.values.reserve(static_cast<std::size_t>(statement.columns.size()));
    for (;;) {
        statement.values.push_back(parser.literal());
        if (!parser.atSymbol(","))
            break;
        parser.symbol(",");
    }
    parser.symbol(")");
    parser.end();
    if (statement.values.size() != static_cast<std::size_t>(statement.columns.size()))
        throw RuntimeError(
            ErrorNumber::StatementRejected,
            QStringLiteral("Il numero dei valori della query e dei campi di destinazione non coincide."));
}

JetInsert ParseInsert(const QString& sql, Parser& parser)
{
    JetInsert statement;
    parser.keyword("INTO");
    statement.table = parser.name();
    parser.symbol("(");
    QVarLengthArray<QStringView, 16> names;
    for (;;) {
        names.append(parser.nameInStatement());
        if (!parser.atSymbol(","))
            break;
        parser.symbol(",");
    }
    statement.columns = ColumnList(names);
    parser.symbol(")");
    parser.keyword("VALUES");
    if (parser.atSymbol("("))
        previousHead = {sql.left(parser.position()), statement.table, statement.columns};
    ReadValues(sql, parser, statement);
    return statement;
}

// The statement, when it begins with the previous INSERT's head.
std::optional<JetInsert> ParseWithPreviousHead(const QString& sql)
{
    const QString& head = previousHead.text;
    if (head.isEmpty() || sql.size() <= head.size() || sql.at(head.size()) != QLatin1Char('(')
        || !QStringView(sql).startsWith(head))
        return std::nullopt;
    JetInsert statement{previousHead.table, previousHead.columns, {}};
    Parser parser(sql, head.size());
    ReadValues(sql, parser, statement);
    return statement;
}

}  // namespace

JetChange ParseJetChange(const QString& sql)
{
    if (std::optional<JetInsert> insert = ParseWithPreviousHead(sql))
        return std::move(*insert);
    Parser parser(sql, 0);
    if (parser.atKeyword("DELETE")) {
        parser.keyword("DELETE");
        return ParseDelete(parser);
    }
    if (parser.atKeyword("INSERT")) {
        parser.keyword("INSERT");
        return ParseInsert(sql, parser);
    }
    throw SyntaxError();
}
