#include "platform/wine_registry/wine_registry_file.h"

#include "platform/runtime/runtime_error.h"

#include <QByteArrayView>
#include <cstring>

namespace {

constexpr QByteArrayView kHeader = "WINE REGISTRY Version 2";
// Wine refuses to create keys with longer names.
constexpr qsizetype kMaxKeyNameLength = 256;

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int following = 0;
        char32_t character = 0;
        char32_t smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            following = 1, character = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            following = 2, character = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            following = 3, character = lead & 0x07, smallest = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i <= following)
            return false;
        for (int k = 1; k <= following; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            character = (character << 6) | (next & 0x3F);
        }
        if (character < smallest || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
            return false;
        i += following + 1;
    }
    return true;
}

// The blanks of the C library's isspace.
bool IsSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\v' || u == '\f' || u == '\r';
}

qsizetype SkipSpaces(const QString& line, qsizetype at)
{
    while (at < line.size() && IsSpace(line[at]))
        ++at;
    return at;
}

// The control character of a C escape letter, or 0.
char16_t ControlOfEscape(char16_t letter)
{
    switch (letter) {
        case 'a': return u'\a';
        case 'b': return u'\b';
        case 'e': return u'\x1b';
        case 'f': return u'\f';
        case 'n': return u'\n';
        case 'r': return u'\r';
        case 't': return u'\t';
        case 'v': return u'\v';
        default: return 0;
    }
}

bool IsOctalDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '7';
}

// Reads a text in Wine's escapes from `at` up to the unescaped `end`: \a \b
// \e \f \n \r \t \v, \x with up to four hex digits (a bare \x is "x"), up to
// three octal digits, and a backslash before any other character stands for
// that character (\\, \", \[, \]). Gives the position after `end`, or -1 when
// the line ends first.
qsizetype ReadEscapedText(const QString& line, qsizetype at, char16_t end, QString& text)
{
    text.clear();
    while (at < line.size()) {
        const QChar c = line[at];
        if (c.unicode() == end)
            return at + 1;
        if (c != QLatin1Char('\\')) {
            text.append(c);
            ++at;
            continue;
        }
        if (++at == line.size())
            return -1;
        const char16_t escaped = line[at].unicode();
        if (const char16_t control = ControlOfEscape(escaped)) {
            text.append(QChar(control));
            ++at;
        } else if (escaped == 'x') {
            ++at;
            if (at == line.size() || HexDigit(line[at]) < 0) {
                text.append(QLatin1Char('x'));
                continue;
            }
            char16_t unit = 0;
            for (int digits = 0; digits < 4 && at < line.size() && HexDigit(line[at]) >= 0; ++digits)
                unit = static_cast<char16_t>(unit * 16 + HexDigit(line[at++]));
            text.append(QChar(unit));
        } else if (IsOctalDigit(line[at])) {
            char16_t unit = 0;
            for (int digits = 0; digits < 3 && at < line.size() && IsOctalDigit(line[at]); ++digits)
                unit = static_cast<char16_t>(unit * 8 + (line[at++].unicode() - '0'));
            text.append(QChar(unit));
        } else {
            text.append(line[at++]);
        }
    }
    return -1;
}

class Parser {
public:
    Parser(const QByteArray& content, const QString& fileName)
        : content_(content), fileName_(fileName), root_(std::make_unique<RegistryKey>())
    {
    }

    std::unique_ptr<RegistryKey> parse()
    {
        if (!nextRawLine() || rawLine_ != kHeader) {
            lineNumber_ = 1;
            fail(QStringLiteral("manca l'intestazione \"%1\"").arg(QLatin1StringView(kHeader)));
        }
        while (nextLine()) {
            const qsizetype at = SkipSpaces(line_, 0);
            if (at == line_.size())
                continue;
            switch (line_[at].unicode()) {
                case '[': readKeyLine(at + 1); break;
                case '@':
                case '"': readValueLine(at); break;
                case '#': readOptionLine(at); break;
                case ';': break;
                default: fail(QStringLiteral("riga non riconosciuta"));
            }
        }
        return std::move(root_);
    }

private:
    [[noreturn]] void fail(const QString& reason) const
    {
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("File del registro \"%1\" non valido alla riga %2: %3.")
                               .arg(fileName_, QString::number(lineNumber_), reason));
    }

    bool nextRawLine()
    {
        if (position_ >= content_.size())
            return false;
        const char* begin = content_.constData() + position_;
        const qsizetype left = content_.size() - position_;
        const auto* newline = static_cast<const char*>(std::memchr(begin, '\n', left));
        qsizetype length = newline ? newline - begin : left;
        position_ += newline ? length + 1 : length;
        if (length > 0 && begin[length - 1] == '\r')
            --length;
        ++lineNumber_;
        rawLine_ = QByteArrayView(begin, length);
        if (std::memchr(begin, '\0', length))
            fail(QStringLiteral("contiene un carattere NUL"));
        return true;
    }

    bool nextLine()
    {
        if (!nextRawLine())
            return false;
        if (!IsValidUtf8(rawLine_))
            fail(QStringLiteral("il testo non è UTF-8 valido"));
        line_ = QString::fromUtf8(rawLine_);
        return true;
    }

    void readKeyLine(qsizetype at)
    {
        QString path;
        at = ReadEscapedText(line_, at, u']', path);
        if (at < 0)
            fail(QStringLiteral("manca la \"]\" che chiude il nome della chiave"));
        at = SkipSpaces(line_, at);
        while (at < line_.size() && line_[at].unicode() >= '0' && line_[at].unicode() <= '9')
            ++at;  // the time of the last change, which nothing here needs
        if (SkipSpaces(line_, at) != line_.size())
            fail(QStringLiteral("testo inatteso dopo il nome della chiave"));
        const std::optional<QStringList> levels = SplitRegistryPath(path);
        if (!levels)
            fail(QStringLiteral("il nome della chiave comincia con \"\\\""));
        RegistryKey* key = root_.get();
        for (const QString& level : *levels) {
            if (level.size() > kMaxKeyNameLength)
                fail(QStringLiteral("nome di chiave più lungo di %1 caratteri").arg(kMaxKeyNameLength));
            key = &key->obtainSubkey(level);
        }
        currentKey_ = key;
    }

    void readValueLine(qsizetype at)
    {
        if (!currentKey_)
            fail(QStringLiteral("valore prima di ogni chiave"));
        RegistryValue value;
        if (line_[at] == QLatin1Char('@')) {
            ++at;
        } else {
            at = ReadEscapedText(line_, at + 1, u'"', value.name);
            if (at < 0)
                fail(QStringLiteral("manca il '\"' che chiude il nome del valore"));
        }
        at = SkipSpaces(line_, at);
        if (at == line_.size() || line_[at] != QLatin1Char('='))
            fail(QStringLiteral("manca \"=\" dopo il nome del valore"));
        readData(SkipSpaces(line_, at + 1), value);
        currentKey_->setValue(std::move(value));
    }

    void readData(qsizetype at, RegistryValue& value)
    {
        const QStringView rest = QStringView(line_).mid(at);
        if (rest.startsWith(u'"')) {
            value.type = REG_SZ;
            readTextData(at + 1, value);
        } else if (rest.startsWith(u"str:\"")) {
            value.type = REG_SZ;
            readTextData(at + 5, value);
        } else if (rest.startsWith(u"str(")) {
            readTextData(readTypeNumber(at + 4, u"):\"", value), value);
        } else if (rest.startsWith(u"hex:")) {
            value.type = REG_BINARY;
            readHexData(at + 4, value);
        } else if (rest.startsWith(u"hex(")) {
            readHexData(readTypeNumber(at + 4, u"):", value), value);
        } else if (rest.startsWith(u"dword:")) {
            value.type = REG_DWORD;
            readDwordData(at + 6, value);
        } else {
            fail(QStringLiteral("tipo di dato sconosciuto"));
        }
    }

    // The hex type number of "str(N):" and "hex(N):"; gives the position after `closing`.
    qsizetype readTypeNumber(qsizetype at, QStringView closing, RegistryValue& value)
    {
        std::uint32_t type = 0;
        int digits = 0;
        for (; at < line_.size() && HexDigit(line_[at]) >= 0; ++at, ++digits)
            type = type * 16 + HexDigit(line_[at]);
        if (digits == 0 || digits > 8 || !QStringView(line_).mid(at).startsWith(closing))
            fail(QStringLiteral("tipo di dato sconosciuto"));
        value.type = type;
        return at + closing.size();
    }

    void readTextData(qsizetype at, RegistryValue& value)
    {
        QString text;
        at = ReadEscapedText(line_, at, u'"', text);
        if (at < 0)
            fail(QStringLiteral("manca il '\"' che chiude il testo"));
        if (SkipSpaces(line_, at) != line_.size())
            fail(QStringLiteral("testo inatteso dopo la fine del testo"));
        value.data = RegistryTextData(text);
    }

    void readDwordData(qsizetype at, RegistryValue& value)
    {
        std::uint32_t number = 0;
        int digits = 0;
        for (; at < line_.size() && HexDigit(line_[at]) >= 0; ++at, ++digits)
            number = number * 16 + HexDigit(line_[at]);
        if (digits == 0 || digits > 8 || SkipSpaces(line_, at) != line_.size())
            fail(QStringLiteral("numero dword non valido"));
        value.data = RegistryDwordData(number);
    }

    // Bytes as hex numbers separated by commas; a line that ends in "\" goes on in the next.
    void readHexData(qsizetype at, RegistryValue& value)
    {
        for (;;) {
            while (at < line_.size() && HexDigit(line_[at]) >= 0) {
                int byte = 0;
                for (; at < line_.size() && HexDigit(line_[at]) >= 0; ++at) {
                    byte = byte * 16 + HexDigit(line_[at]);
                    if (byte > 0xFF)
                        fail(QStringLiteral("byte esadecimale oltre ff"));
                }
                value.data.append(static_cast<char>(byte));
                at = SkipSpaces(line_, at);
                if (at < line_.size() && line_[at] == QLatin1Char(','))
                    ++at;
                at = SkipSpaces(line_, at);
            }
            if (at == line_.size())
                return;
            if (line_[at] != QLatin1Char('\\') || SkipSpaces(line_, at + 1) != line_.size())
                fail(QStringLiteral("dati esadecimali non validi"));
            if (!nextLine())
                fail(QStringLiteral("i dati esadecimali continuano oltre la fine del file"));
            at = SkipSpaces(line_, 0);
        }
    }

    // Options of a key (#time=, #class=, #link) mean nothing to a reader; of
    // the file's own, Wine refuses a file whose #arch it does not know.
    void readOptionLine(qsizetype at)
    {
        const QStringView option = QStringView(line_).mid(at);
        if (currentKey_ || !option.startsWith(u"#arch="))
            return;
        const QStringView arch = option.mid(6);
        if (arch != u"win32" && arch != u"win64")
            fail(QStringLiteral("architettura \"%1\" sconosciuta").arg(arch));
    }

    const QByteArray& content_;
    const QString& fileName_;
    qsizetype position_ = 0;
    int lineNumber_ = 0;
    QByteArrayView rawLine_;
    QString line_;
    std::unique_ptr<RegistryKey> root_;
    RegistryKey* currentKey_ = nullptr;
};

}  // namespace

std::unique_ptr<RegistryKey> ParseWineRegistryFile(const QByteArray& content, const QString& fileName)
{
    return Parser(content, fileName).parse();
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}
