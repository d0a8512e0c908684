#pragma once

#include "platform/database/jet/format/table_definition.h"

// A table with a column of every type the writer of new files takes.
inline JetTableDefinition AllTypes(const QString& name)
{
    using T = JetColumnType;
    return {name,
            {{QStringLiteral("Lungo"), T::LongInteger},
             {QStringLiteral("Intero"), T::Integer},
             {QStringLiteral("Piccolo"), T::Byte},
             {QStringLiteral("Doppio"), T::Double},
             {QStringLiteral("Testo"), T::Text, 255}}};
}
