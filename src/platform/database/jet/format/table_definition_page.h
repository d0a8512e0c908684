#pragma once

#include "platform/database/jet/format/row_packing.h"
#include "platform/database/jet/format/table_definition.h"

#include <QByteArray>
#include <vector>

// Where an index's tree and the map of its pages are.
struct IndexPlacement {
    quint32 usageMap = 0;  // row pointer
    quint32 rootPage = 0;
};

struct TableDefinitionInfo {
    bool systemTable = false;
    quint32 rowCount = 0;
    quint32 usageMap = 0;  // row pointers (page << 8 | row) to the table's two usage maps
    quint32 freeSpaceMap = 0;
    std::vector<IndexPlacement> indexes;  // one for each index of the definition
};

// The table definition page: header with the counts and the usage maps, a
// block of counts per index, one 25-byte descriptor per column, the column
// names in UCS-2, each index as the file keeps it and as the user names it,
// their names, and the end of the (here empty) list of long-value maps.
// Throws JetWriteError when the definition does not fit one page.
QByteArray TableDefinitionPage(const JetTableDefinition& table, const TableLayout& layout,
                               const TableDefinitionInfo& info);
