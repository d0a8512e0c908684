#pragma once

#include "csv_reader.h"
#include "table_definition.h"

// The value a CSV field gives a column. An empty field is Null; only in a
// text column does a quoted empty field ("") give an empty text. Whole
// numbers are digits with an optional sign, decimals take a point and may have
// an exponent; blanks around a number are ignored. Throws JetWriteError (an
// Italian message without the field's position) for a number that does not
// parse or does not fit the column and for a text longer than the column.
Variant CsvValue(const JetColumn& column, const CsvField& field);
