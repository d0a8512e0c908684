#pragma once

#include "mkabicab/csv_reader.h"
#include "platform/database/jet/format/table_definition.h"

// The value a CSV field gives a column. In a text column an empty field is
// Null and a quoted empty field ("") an empty text; a text holding a NUL is
// refused, since no statement of the update can carry it. In a number column
// an empty field is refused too, since the update cannot insert a Null there.
// Whole numbers are digits with an optional sign, decimals take a point and
// may have an exponent; blanks around a number are ignored. Throws
// JetWriteError (an Italian message without the field's position) for a value
// refused, a number that does not parse or does not fit the column and for a
// text longer than the column.
Variant CsvValue(const JetColumn& column, const CsvField& field);
