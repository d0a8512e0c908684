#pragma once

#include "platform/database/jet/format/table_definition.h"

#include <QtGlobal>

// What the file format says about each column type.
struct JetTypeTraits {
    quint8 code;          // the type byte of the column descriptor
    int fixedSize;        // bytes in the fixed part of a row; 0 for a variable-length type
    const char* name;     // as Access names the type to an Italian user
};

const JetTypeTraits& TraitsOf(JetColumnType type);

// The length the column descriptor declares, in bytes.
quint16 DeclaredLength(const JetColumn& column);
