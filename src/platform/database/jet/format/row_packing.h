#pragma once

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/table_definition.h"

#include <QByteArray>
#include <optional>
#include <vector>

// Where each column's value lies in a row: fixed-size values at their fixed
// offsets, then the variable-length ones in the order of their numbers. A
// new table numbers its columns in the order of the definition; an existing
// table says where its columns go in its definition page.
struct ColumnPlacement {
    int number = 0;        // the column's bit in the mask of non-Null columns
    int fixedOffset = -1;  // within the fixed part; -1 for a variable-length column
    int fixedSize = 0;
    int variableIndex = -1;
};

struct TableLayout {
    std::vector<ColumnPlacement> columns;
    int columnCount = 0;  // the count a row starts with, and the bits of its mask
    int fixedSize = 0;
    int variableCount = 0;
};

TableLayout LayOutTable(const JetTableDefinition& table);

// The value as a row keeps it: a text in a fixed-length place (a column
// Access made fixed-length) padded with spaces to its length, as Jet pads it;
// any other value as it is.
Variant StoredValue(const ColumnPlacement& placement, const Variant& value, JetVersion version = JetVersion::Jet4);

// One row as Jet stores it:
//   Jet 4: the column count (2 bytes), the fixed part (space kept for a Null
//   too), the variable-length values, their offset table in reverse order
//   with the end offset first, their count (2 bytes), and the mask of
//   non-Null columns. Texts in UCS-2 or its compressed form.
//   Jet 3: the same in one-byte counts and offsets: the end offset, the
//   offsets in reverse order, then a jump table, one byte for each 256
//   bytes the row spans (entry k, the last first: the first offset at or past
//   (k + 1) * 256), and the count. A row whose length would need a jump it
//   has not ends with an extra entry the readers skip. Texts in Windows-1252.
// Without variable-length columns a row has neither offsets nor count.
// Throws JetWriteError for a wrong number of values or a value that does not
// fit its column (or, in Jet 3, its code page).
QByteArray PackRow(const JetTableDefinition& table, const TableLayout& layout, const std::vector<Variant>& values,
                   JetVersion version = JetVersion::Jet4);

// The values of a stored row, one per column of the definition: whole
// numbers, Doubles (also for DateTime) and texts; Null for a Null, for a
// column the row predates and for the types kept elsewhere (Memo, OLE,
// Binary, Other). Empty when the row's bytes contradict its own layout.
// With `decoded` given, only the columns it marks are read and the others
// are left Null; the whole layout is checked either way. Jet 3 texts are
// read in Windows-1252, the only code page the writer takes a Jet 3 file in.
std::optional<std::vector<Variant>> UnpackRow(const JetTableDefinition& table, const TableLayout& layout,
                                              const QByteArray& row, const std::vector<bool>& decoded = {},
                                              JetVersion version = JetVersion::Jet4);
