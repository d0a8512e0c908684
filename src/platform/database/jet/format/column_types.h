#pragma once

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/table_definition.h"

#include <QtGlobal>

// What the file format says about each column type.
struct JetTypeTraits {
    quint8 code;       // the type byte of the column descriptor
    int fixedSize;     // bytes in the fixed part of a row; 0 for a variable-length type
    const char* name;  // as Access names the type to an Italian user
};

const JetTypeTraits& TraitsOf(JetColumnType type);

// The length the column descriptor declares, in bytes.
quint16 DeclaredLength(const JetColumn& column, JetVersion version = JetVersion::Jet4);

// The type byte Jet gives a Boolean, which lives in a row's mask of
// non-Null columns alone.
constexpr quint8 kBooleanTypeCode = 0x01;

// The writer's type for a column descriptor's type byte; Other for the
// types it never writes.
JetColumnType ColumnTypeOfCode(quint8 code);
