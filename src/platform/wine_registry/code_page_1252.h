#pragma once

#include <QByteArray>
#include <QString>

// Windows code page 1252, the single-byte code page of the systems the
// installations run on: key names, value names and texts cross the ANSI
// registry calls in it.

// Every character the code page lacks becomes "?", one per character (a
// surrogate pair is one character, a lone surrogate too).
QByteArray ToCodePage1252(const QString& text);

// Every byte has a character; the five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) give the control characters of the same
// value, as the platform's conversion does.
QString FromCodePage1252(const QByteArray& bytes);
