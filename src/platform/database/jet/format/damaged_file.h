#pragma once

#include "platform/runtime/runtime_error.h"

#include <QByteArray>
#include <QtEndian>

// What the writer raises when the bytes of the file contradict its own
// structure: it then changes nothing.
RuntimeError DamagedFile(const QString& what);

// Little-endian numbers read from a page, every offset checked, so that a
// damaged file gives DamagedFile instead of a read past the page.
template <typename T>
T ReadLittleEndian(const QByteArray& bytes, qsizetype offset)
{
    if (offset < 0 || offset + static_cast<qsizetype>(sizeof(T)) > bytes.size())
        throw DamagedFile(QStringLiteral("un campo esce dalla pagina"));
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

inline quint8 ReadByte(const QByteArray& bytes, qsizetype offset)
{
    return ReadLittleEndian<quint8>(bytes, offset);
}
