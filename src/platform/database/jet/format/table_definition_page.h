#pragma once

#include "row_packing.h"
#include "table_definition.h"

#include <QByteArray>

struct TableDefinitionInfo {
    bool systemTable = false;
    quint32 rowCount = 0;
    quint32 usageMap = 0;  // row pointers (page << 8 | row) to the table's two usage maps
    quint32 freeSpaceMap = 0;
};

// The table definition page: header with the counts and the usage maps, one
// 25-byte descriptor per column, the column names in UCS-2, and the end of
// the (here empty) list of long-value maps. No indexes. Throws JetWriteError
// when the definition does not fit one page.
QByteArray TableDefinitionPage(const JetTableDefinition& table, const TableLayout& layout,
                               const TableDefinitionInfo& info);
