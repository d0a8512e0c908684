#pragma once

#include <QByteArray>
#include <QtEndian>

// Every number in a Jet file is little-endian. These put one into a page
// being built, either at a given offset or at its end.

template <typename T>
void PutLittleEndian(QByteArray& bytes, qsizetype offset, T value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

template <typename T>
void AppendLittleEndian(QByteArray& bytes, T value)
{
    const qsizetype offset = bytes.size();
    bytes.resize(offset + static_cast<qsizetype>(sizeof(T)));
    PutLittleEndian(bytes, offset, value);
}
