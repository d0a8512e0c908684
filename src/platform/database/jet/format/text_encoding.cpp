#include "text_encoding.h"

#include "little_endian.h"

namespace {

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

QByteArray Ucs2(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text)
        AppendLittleEndian<quint16>(bytes, c.unicode());
    return bytes;
}

// Each run of narrow characters goes into one-byte mode unless the two switch
// bytes around it would cost more than they save.
QByteArray Compressed(const QString& text)
{
    QByteArray bytes("\xff\xfe", 2);
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
            bytes.append('\0');
            oneByteMode = wantOneByte;
        }
        for (; i < end; ++i) {
            if (oneByteMode)
                bytes.append(static_cast<char>(text[i].unicode()));
            else
                AppendLittleEndian<quint16>(bytes, text[i].unicode());
        }
    }
    return bytes;
}

}  // namespace

QByteArray EncodeJetText(const QString& text, bool mayCompress)
{
    QByteArray plain = Ucs2(text);
    if (!mayCompress || text.isEmpty() || !Compressible(text))
        return plain;
    QByteArray compressed = Compressed(text);
    return compressed.size() < plain.size() ? compressed : plain;
}

QString DecodeJetText(const char* data, qsizetype size)
{
    const auto byte = [data](qsizetype at) { return static_cast<quint8>(data[at]); };
    const auto unit = [&](qsizetype at) { return QChar(static_cast<char16_t>(byte(at) | (byte(at + 1) << 8))); };
    QString text;
    if (size < 2 || byte(0) != 0xff || byte(1) != 0xfe) {
        for (qsizetype i = 0; i + 1 < size; i += 2)
            text.append(unit(i));
        return text;
    }
    bool oneByte = true;
    for (qsizetype i = 2; i < size;) {
        if (byte(i) == 0) {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            text.append(QChar(byte(i++)));
        } else if (i + 1 < size) {
            text.append(unit(i));
            i += 2;
        } else {
            break;
        }
    }
    return text;
}
