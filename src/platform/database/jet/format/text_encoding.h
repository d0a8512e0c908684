#pragma once

#include <QByteArray>
#include <QString>

// The bytes Jet 4 stores for a text: UCS-2 little-endian, or its compressed
// form (0xFF 0xFE, then characters whose high byte is zero take one byte and
// a zero byte switches between one-byte and two-byte characters) when that is
// shorter and possible. It is not possible when a character's low byte is
// zero, since the reader would take that byte for a switch. A column whose
// definition does not allow the compressed form gets plain UCS-2. A text
// that begins with U+FEFF always takes the compressed form, since plain it
// would begin with the marker; throws JetWriteError when it cannot.
QByteArray EncodeJetText(const QString& text, bool mayCompress = true);

// The same bytes, at the end of `bytes`: how a row gets its texts.
void AppendJetText(QByteArray& bytes, const QString& text, bool mayCompress);

// The text of stored bytes in either form; an odd byte at the end belongs to no character.
QString DecodeJetText(const char* data, qsizetype size);

// The bytes Jet 3 stores for a text (and for a name in its definitions): one
// byte a character in the file's code page, Windows-1252 for the files
// written here. Throws JetWriteError naming the first character that code
// page has not; the five bytes it leaves undefined are refused too, since
// no reader would agree on their character.
void AppendWindows1252(QByteArray& bytes, const QString& text);

// The byte of a UTF-16 unit from 0x80 to 0x9f or past 0xff in Windows-1252;
// -1 when the code page has none.
int Windows1252HighByte(char16_t unit);

// The byte of one UTF-16 unit in Windows-1252; -1 when the code page has
// none. Inline for the characters Latin-1 shares, asked for every character
// of every text of a Jet 3 row.
inline int Windows1252Byte(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xa0 && unit <= 0xff))
        return unit;
    return Windows1252HighByte(unit);
}

// The text of bytes a Jet 3 file of the Western code page stores.
QString DecodeWindows1252(const char* data, qsizetype size);

// Jet 3's Western code page, the one its texts are read and written in here.
constexpr quint16 kWindows1252CodePage = 1252;
