#include "mkprefix/wine_registry_writer.h"

#include <QStringList>

namespace {

// Seconds from 1601 (the platform's epoch) to 1970.
constexpr qint64 kSecondsFrom1601To1970 = 11644473600LL;

bool IsAsciiHexDigit(char16_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Wine's escapes: characters beyond ASCII as \x (four digits when a hex digit
// follows), controls as C or octal escapes, a backslash before "\" and the
// two given delimiters.
QString Escaped(QStringView text, char16_t delimiter1, char16_t delimiter2)
{
    static constexpr char kControlLetters[] = ".......abtnvfr.............e....";
    QString escaped;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool hasNext = i + 1 < text.size();
        const char16_t next = hasNext ? text[i + 1].unicode() : 0;
        if (c > 127) {
            const bool hexFollows = hasNext && next < 128 && IsAsciiHexDigit(next);
            escaped += QStringLiteral("\\x") + QString::number(c, 16).rightJustified(hexFollows ? 4 : 0, u'0');
        } else if (c < 32) {
            if (kControlLetters[c] != '.') {
                escaped += QLatin1Char('\\');
                escaped += QLatin1Char(kControlLetters[c]);
            } else {
                const bool octalFollows = hasNext && next >= '0' && next <= '7';
                escaped += QLatin1Char('\\') + QString::number(c, 8).rightJustified(octalFollows ? 3 : 0, u'0');
            }
        } else {
            if (c == '\\' || c == delimiter1 || c == delimiter2)
                escaped += QLatin1Char('\\');
            escaped += QChar(c);
        }
    }
    return escaped;
}

bool IsTerminatedText(const RegistryValue& value)
{
    const QByteArray& data = value.data;
    return IsRegistryTextType(value.type) && data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == '\0'
        && data[data.size() - 2] == '\0';
}

QString HexLine(const RegistryValue& value, qsizetype written)
{
    QString line =
        value.type == REG_BINARY ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(value.type, 0, 16);
    qsizetype count = written + line.size();
    for (qsizetype i = 0; i < value.data.size(); ++i) {
        line += QStringLiteral("%1").arg(static_cast<uint>(static_cast<unsigned char>(value.data[i])), 2, 16,
                                         QLatin1Char('0'));
        count += 2;
        if (i + 1 < value.data.size()) {
            line += QLatin1Char(',');
            if (++count > 76) {
                line += QStringLiteral("\\\n  ");
                count = 2;
            }
        }
    }
    return line;
}

QString ValueLine(const RegistryValue& value)
{
    const QString name = value.name.isEmpty()
        ? QStringLiteral("@=")
        : QLatin1Char('"') + Escaped(value.name, u'"', u'"') + QStringLiteral("\"=");
    if (IsTerminatedText(value)) {
        const QString text = RegistryTextOf(value.data.chopped(2));
        const QString tag = value.type == REG_SZ ? QString() : QStringLiteral("str(%1):").arg(value.type, 0, 16);
        return name + tag + QLatin1Char('"') + Escaped(text, u'"', u'"') + QLatin1Char('"');
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(value.data[i]);
        return name + QStringLiteral("dword:%1").arg(number, 8, 16, QLatin1Char('0'));
    }
    return name + HexLine(value, name.size());
}

void AppendKey(QString& out, const RegistryKey& key, const QStringList& path, qint64 seconds)
{
    if (!key.values().empty() || key.subkeys().empty()) {
        QStringList escapedPath;
        for (const QString& level : path)
            escapedPath.append(Escaped(level, u'[', u']'));
        const quint64 fileTime = static_cast<quint64>(seconds + kSecondsFrom1601To1970) * 10000000ULL;
        // One arg() for both: a "%2" in a key name must stay as it is.
        out += QStringLiteral("\n[%1] %2\n").arg(escapedPath.join(QStringLiteral("\\\\")), QString::number(seconds));
        out += QStringLiteral("#time=%1%2\n")
                   .arg(static_cast<quint32>(fileTime >> 32), 0, 16)
                   .arg(static_cast<quint32>(fileTime), 8, 16, QLatin1Char('0'));
        for (const auto& [folded, value] : key.values())
            out += ValueLine(value) + QLatin1Char('\n');
    }
    for (const auto& [folded, subkey] : key.subkeys())
        AppendKey(out, *subkey, path + QStringList{subkey->name()}, seconds);
}

}  // namespace

QByteArray FormatWineRegistryFile(const RegistryKey& root, const QString& relativeTo, qint64 secondsSinceEpoch)
{
    QString out = QStringLiteral("WINE REGISTRY Version 2\n;; All keys relative to ") + Escaped(relativeTo, u'[', u']')
        + QLatin1Char('\n');
    AppendKey(out, root, {}, secondsSinceEpoch);
    // Everything beyond ASCII is escaped, so the file is ASCII.
    return out.toLatin1();
}
