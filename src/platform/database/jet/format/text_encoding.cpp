#include "platform/database/jet/format/text_encoding.h"

#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/table_definition.h"

namespace {

constexpr QChar kByteOrderMark(0xfeff);

bool IsNarrow(QChar c)
{
    return c.unicode() < 0x100;
}

bool Compressible(const QString& text)
{
    for (const QChar c : text) {
        if ((c.unicode() & 0xff) == 0)
            return false;
    }
    return true;
}

void AppendUcs2(QByteArray& out, const QString& text)
{
    const qsizetype at = out.size();
    out.resize(at + text.size() * 2);
    qToLittleEndian<quint16>(text.utf16(), text.size(), out.data() + at);
}

// Each run of narrow characters goes into one-byte mode unless the two switch
// bytes around it would cost more than they save. Written at the end of
// `bytes`, grown at once to the largest size it can take: every text of
// every inserted row passes here. Answers the size it took.
qsizetype AppendCompressed(QByteArray& bytes, const QString& text)
{
    const qsizetype at = bytes.size();
    bytes.resize(at + 2 + 3 * text.size());
    char* out = bytes.data() + at;
    *out++ = '\xff';
    *out++ = '\xfe';
    bool oneByteMode = true;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = i;
        const bool narrowRun = IsNarrow(text[i]);
        while (end < text.size() && IsNarrow(text[end]) == narrowRun)
            ++end;
        const qsizetype length = end - i;
        bool wantOneByte = narrowRun;
        if (narrowRun && !oneByteMode) {
            const qsizetype switchBack = end < text.size() ? 1 : 0;
            wantOneByte = 1 + length + switchBack < 2 * length;
        }
        if (wantOneByte != oneByteMode) {
            *out++ = '\0';
            oneByteMode = wantOneByte;
        }
        for (; i < end; ++i) {
            const char16_t unit = text[i].unicode();
            if (oneByteMode) {
                *out++ = static_cast<char>(unit);
            } else {
                qToLittleEndian<quint16>(unit, out);
                out += 2;
            }
        }
    }
    bytes.resize(out - bytes.constData());
    return bytes.size() - at;
}

// The compressed form of a text of Latin-1 characters without a NUL, most
// texts of the code tables: the marker and one byte each, in one pass.
// False, with `bytes` as it was, for any other text.
bool AppendOneByteText(QByteArray& bytes, const QString& text)
{
    const qsizetype at = bytes.size();
    bytes.resize(at + 2 + text.size());
    char* out = bytes.data() + at;
    *out++ = '\xff';
    *out++ = '\xfe';
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == 0 || unit >= 0x100) {
            bytes.resize(at);
            return false;
        }
        *out++ = static_cast<char>(unit);
    }
    return true;
}

// Windows-1252's characters for the bytes 0x80 to 0x9f; 0 where the byte has none.
constexpr char16_t kWindows1252High[32] = {0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021,
                                           0x02c6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017d, 0,
                                           0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
                                           0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};

}  // namespace

int Windows1252HighByte(char16_t unit)
{
    for (int i = 0; i < 32; ++i) {
        if (kWindows1252High[i] != 0 && kWindows1252High[i] == unit)
            return 0x80 + i;
    }
    return -1;
}

void AppendWindows1252(QByteArray& bytes, const QString& text)
{
    const qsizetype at = bytes.size();
    bytes.resize(at + text.size());
    char* out = bytes.data() + at;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = Windows1252Byte(text[i].unicode());
        if (byte < 0) {
            bytes.resize(at);
            // Named whole, also when it takes two UTF-16 units.
            const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
            const char32_t codePoint = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
            throw JetWriteError(
                QStringLiteral("il carattere '%1' (U+%2) non esiste nella codifica Windows-1252 del database")
                    .arg(QString::fromUcs4(&codePoint, 1),
                         QString::number(codePoint, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        }
        *out++ = static_cast<char>(byte);
    }
}

void AppendJetText(QByteArray& bytes, const QString& text, bool mayCompress)
{
    // Plain UCS-2 of such a text would begin with the compressed form's
    // marker, and every reader would drop its first character.
    if (text.startsWith(kByteOrderMark)) {
        if (!mayCompress || !Compressible(text))
            throw JetWriteError(
                QStringLiteral("un testo che comincia con il carattere U+FEFF non si può conservare "
                               "esatto in questa colonna"));
        AppendCompressed(bytes, text);
        return;
    }
    // Two characters or fewer take no less room compressed.
    if (mayCompress && text.size() > 2 && AppendOneByteText(bytes, text))
        return;
    if (mayCompress && !text.isEmpty() && Compressible(text)) {
        const qsizetype at = bytes.size();
        if (AppendCompressed(bytes, text) < text.size() * 2)
            return;
        bytes.resize(at);
    }
    AppendUcs2(bytes, text);
}

QByteArray EncodeJetText(const QString& text, bool mayCompress)
{
    QByteArray bytes;
    AppendJetText(bytes, text, mayCompress);
    return bytes;
}

QString DecodeWindows1252(const char* data, qsizetype size)
{
    QString text;
    text.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<quint8>(data[i]);
        const char16_t high = byte >= 0x80 && byte < 0xa0 ? kWindows1252High[byte - 0x80] : 0;
        // A byte Windows-1252 leaves undefined is read as the control character of its number, as Windows reads it.
        text.append(QChar(high != 0 ? high : char16_t{byte}));
    }
    return text;
}

QString DecodeJetText(const char* data, qsizetype size)
{
    const auto byte = [data](qsizetype at) { return static_cast<quint8>(data[at]); };
    const auto unit = [&](qsizetype at) { return static_cast<char16_t>(byte(at) | (byte(at + 1) << 8)); };
    const bool compressed = size >= 2 && byte(0) == 0xff && byte(1) == 0xfe;
    // Written in place into room for the most characters the bytes can
    // hold, one a byte in the compressed form: every row of a table goes
    // through here.
    QString text(compressed ? size - 2 : size / 2, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    qsizetype length = 0;
    if (!compressed) {
        for (qsizetype i = 0; i + 1 < size; i += 2)
            out[length++] = unit(i);
        return text;
    }
    bool oneByte = true;
    for (qsizetype i = 2; i < size;) {
        if (byte(i) == 0) {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            out[length++] = byte(i++);
        } else if (i + 1 < size) {
            out[length++] = unit(i);
            i += 2;
        } else {
            break;
        }
    }
    text.truncate(length);
    return text;
}
