#pragma once

#include "platform/database/jet/in_place/table_schema.h"
#include "platform/runtime/variant.h"

#include <functional>
#include <vector>

class JetPageFile;

// Where a row lies: its data page and its number on the page.
struct RowLocation {
    quint32 page = 0;
    int row = 0;
};

using RowVisitor = std::function<void(RowLocation, const std::vector<Variant>&)>;

// Calls `visit` for every live row of the table, in the order of its pages:
// the pages its map owns that are data pages of the table. A row that moved
// to another page (an overflow row) is read where it lies now and named
// where it started. Raises DamagedFile when a row cannot be read. With
// `decoded` given, only the values of the columns it marks are read.
void ForEachLiveRow(JetPageFile& file, const JetTableSchema& table, const RowVisitor& visit,
                    const std::vector<bool>& decoded = {});

// Marks the row deleted (MarkRowDeletedOnPage).
void MarkRowDeleted(JetPageFile& file, RowLocation row);
