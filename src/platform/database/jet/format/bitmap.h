#pragma once

#include <QByteArray>

// The bitmaps of usage maps and of index pages: bit i is bit i % 8 (lowest
// first) of byte i / 8 past `bitmapOffset`.

inline bool MapBit(const QByteArray& bytes, qsizetype bitmapOffset, quint32 bit)
{
    return (static_cast<quint8>(bytes.at(bitmapOffset + bit / 8)) >> (bit % 8)) & 1;
}

inline void SetMapBit(QByteArray& bytes, qsizetype bitmapOffset, quint32 bit, bool on)
{
    char& byte = bytes[bitmapOffset + bit / 8];
    byte = static_cast<char>(on ? (byte | (1 << (bit % 8))) : (byte & ~(1 << (bit % 8))));
}
