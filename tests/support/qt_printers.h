#pragma once

// Readable failure messages for the Qt and project types the tests compare.
#include "platform/runtime/variant.h"

#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", \"" : "\"") << list.at(i).toStdString() << '"';
    *out << '}';
}

inline void PrintTo(const Variant& value, std::ostream* out)
{
    switch (value.type()) {
        case Variant::Type::Null: *out << "Null"; break;
        case Variant::Type::Integer: *out << value.integer(); break;
        case Variant::Type::Double: *out << value.real() << "#"; break;
        case Variant::Type::Text: PrintTo(value.text(), out); break;
        case Variant::Type::Binary: *out << "0x" << value.bytes().toHex().toStdString(); break;
    }
}
