#pragma once

#include "platform/database/jet/format/row_packing.h"
#include "platform/database/jet/format/table_definition.h"

#include <QByteArray>
#include <QString>
#include <vector>

class JetPageFile;

// A column as an existing table's definition page describes it.
struct SchemaColumn {
    JetColumn column;      // name, type as the writer knows it, text length, compression
    quint8 typeCode = 0;   // the type byte of the file
    quint8 flags = 0;
    quint16 sortOrder = 0;
    ColumnPlacement placement;
    bool required = false;  // the column's Required property: no Null
};

struct IndexColumn {
    int column = 0;  // position in JetTableSchema::columns
    bool ascending = true;
};

// An index as the file keeps it ("real" index): its columns, its tree and
// the map of the pages the tree owns.
struct SchemaIndex {
    std::vector<IndexColumn> columns;
    quint32 usageMap = 0;   // row pointer, page << 8 | row
    quint32 rootPage = 0;
    quint8 flags = 0;
    qsizetype uniqueCountOffset = 0;  // in the first definition page
    bool primaryKey = false;
    bool unique() const { return (flags & 0x01) != 0 || primaryKey; }
    bool ignoresNulls() const { return (flags & 0x02) != 0; }
    bool required() const { return (flags & 0x08) != 0 || primaryKey; }
};

// An index as the user names it; several may share one real index. One
// that belongs to a relationship is kept like any other; the relationship's
// rules come from the catalog (RelationshipRules).
struct SchemaLogicalIndex {
    QString name;
    int realIndex = 0;
    bool relationship = false;
};

struct JetTableSchema {
    QString name;
    quint32 definitionPage = 0;
    quint32 rowCount = 0;
    quint32 usageMap = 0;
    quint32 freeSpaceMap = 0;
    JetTableDefinition definition;  // the columns, in the order of `columns`
    TableLayout layout;
    std::vector<SchemaColumn> columns;
    std::vector<SchemaIndex> indexes;
    std::vector<SchemaLogicalIndex> logicalIndexes;

    // Position of the column, named without regard to case; -1 when none.
    int columnNamed(const QString& name) const;
};

// Reads the definition that starts on `page`, following its continuation
// pages. Raises DamagedFile when the bytes contradict the layout.
JetTableSchema ReadTableSchema(JetPageFile& file, quint32 page, const QString& name);

// Where the table's row count lies in its first definition page.
constexpr qsizetype kTableRowCountOffset = 16;
