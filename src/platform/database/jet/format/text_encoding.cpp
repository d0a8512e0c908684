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

}  // namespace

void AppendJetText(QByteArray& bytes, const QString& text, bool mayCompress)
{
    // Plain UCS-2 of such a text would begin with the compressed form's
    // marker, and every reader would drop its first character.
    if (text.startsWith(kByteOrderMark)) {
        if (!mayCompress || !Compressible(text))
            throw JetWriteError(QStringLiteral("un testo che comincia con il carattere U+FEFF non si può conservare "
                                               "esatto in questa colonna"));
        AppendCompressed(bytes, text);
        return;
    }
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
