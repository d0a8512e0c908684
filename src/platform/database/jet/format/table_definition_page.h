#pragma once

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/row_packing.h"
#include "platform/database/jet/format/table_definition.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The definition of a table: one page, or a chain of pages whose bytes after
// the first page's are the continuation pages' bytes past their 8-byte
// header. Offsets below are within those joined bytes.
//
// Header:
//   offset  size  meaning
//   0       1     kTableDefinitionPageType
//   1       1     kPageMarker
//   2       2     free space of the first page
//   4       4     next page of the chain; 0 on the last
//   8       4     length of the definition past this field
//   12      4     kDefinitionStamp
//   16      4     row count
//   20      4     the last AutoNumber handed out
//   24      1     1: Access may hand out AutoNumbers
//   40      1     table type: kUserTable or kSystemTable
//   41      2     highest column number + 1, the count a row starts with
//   43      2     variable-length columns
//   45      2     columns
//   47      4     logical indexes (as the user names them)
//   51      4     real indexes (as the file keeps them)
//   55      4     row pointer to the map of the table's pages
//   59      4     row pointer to the map of its pages with free space
//   63            per real index, 12 bytes: 4 unknown, 4 count of distinct keys, 4 unknown
// Jet 3 (Access 97) lays the header out as:
//   0 1 type; 1 1 marker; 2 2 "VC"; 4 4 next page; 8 4 length past this
//   field; 12 4 row count; 16 4 last AutoNumber; 20 1 table type; 21 2
//   highest column number + 1; 23 2 variable-length columns; 25 2 columns;
//   27 4 logical indexes; 31 4 real indexes; 35 4 table's page map; 39 4
//   map of its pages with free space; 43 per real index, 8 bytes.
// Then, one after the other:
//   column descriptors, kColumnDescriptorSize bytes each (offsets kColumn*);
//   column names, each a 16-bit byte count and UCS-2 (Jet 3: an 8-bit count
//   and the code page's bytes);
//   real indexes, kRealIndexSize bytes each (offsets kRealIndex*);
//   logical indexes, kLogicalIndexSize bytes each (offsets kLogicalIndex*);
//   logical index names, as the column names;
//   the list of long-value maps, ended by column number 0xFFFF and two empty row pointers.
constexpr qsizetype kDefinitionNextPageOffset = 4;
constexpr qsizetype kDefinitionLengthOffset = 8;
constexpr qsizetype kDefinitionStampOffset = 12;
constexpr qsizetype kTableRowCountOffset = 16;
constexpr qsizetype kAutoNumberAllowedOffset = 24;
constexpr qsizetype kTableTypeOffset = 40;
constexpr qsizetype kMaxColumnsOffset = 41;
constexpr qsizetype kVariableColumnsOffset = 43;
constexpr qsizetype kColumnCountOffset = 45;
constexpr qsizetype kLogicalIndexCountOffset = 47;
constexpr qsizetype kRealIndexCountOffset = 51;
constexpr qsizetype kTableUsageMapOffset = 55;
constexpr qsizetype kTableFreeSpaceMapOffset = 59;
constexpr qsizetype kDefinitionHeaderSize = 63;
constexpr qsizetype kIndexCountsSize = 12;
constexpr qsizetype kDistinctKeysOffset = 4;  // within an index's counts
constexpr qsizetype kContinuationHeaderSize = 8;
constexpr qsizetype kJet3DefinitionRowCountOffset = 12;
constexpr qsizetype kJet3TableTypeOffset = 20;
constexpr qsizetype kJet3MaxColumnsOffset = 21;
constexpr qsizetype kJet3VariableColumnsOffset = 23;
constexpr qsizetype kJet3ColumnCountOffset = 25;
constexpr qsizetype kJet3LogicalIndexCountOffset = 27;
constexpr qsizetype kJet3RealIndexCountOffset = 31;
constexpr qsizetype kJet3TableUsageMapOffset = 35;
constexpr qsizetype kJet3TableFreeSpaceMapOffset = 39;
constexpr qsizetype kJet3DefinitionHeaderSize = 43;
constexpr quint8 kUserTable = 0x4e;
constexpr quint8 kSystemTable = 0x53;

// A column descriptor:
//   0 1 type byte; 1 4 kDefinitionStamp; 5 2 column number (its bit in a
//   row's mask); 7 2 for a variable-length column its place among them, for
//   a fixed one the count of variable columns before it; 9 2 column index;
//   11 2 sort order; 13 2 unknown; 15 1 flags; 16 1 more flags; 17 4 unknown;
//   21 2 offset in the fixed part; 23 2 length in bytes.
constexpr qsizetype kColumnDescriptorSize = 25;
constexpr qsizetype kColumnTypeOffset = 0;
constexpr qsizetype kColumnStampOffset = 1;
constexpr qsizetype kColumnNumberOffset = 5;
constexpr qsizetype kColumnVariableIndexOffset = 7;
constexpr qsizetype kColumnIndexOffset = 9;
constexpr qsizetype kColumnSortOrderOffset = 11;
constexpr qsizetype kColumnFlagsOffset = 15;
constexpr qsizetype kColumnMoreFlagsOffset = 16;
constexpr qsizetype kColumnFixedOffsetOffset = 21;
constexpr qsizetype kColumnLengthOffset = 23;
constexpr quint8 kFixedLengthColumn = 0x01;     // flags
constexpr quint8 kNullableColumn = 0x02;        // flags
constexpr quint8 kAutoNumberColumn = 0x04;      // flags
constexpr quint8 kCompressedTextColumn = 0x01;  // more flags

// A Jet 3 column descriptor:
//   0 1 type byte; 1 2 column number; 3 2 as at 7 above; 5 2 unknown, 0;
//   7 2 unknown, 1; 9 2 sort order; 11 2 code page; 13 1 flags; 14 2 offset
//   in the fixed part; 16 2 length in bytes.
constexpr qsizetype kJet3ColumnDescriptorSize = 18;
constexpr qsizetype kJet3ColumnNumberOffset = 1;
constexpr qsizetype kJet3ColumnVariableIndexOffset = 3;
constexpr qsizetype kJet3ColumnUnknownOneOffset = 7;
constexpr qsizetype kJet3ColumnSortOrderOffset = 9;
constexpr qsizetype kJet3ColumnCodePageOffset = 11;
constexpr qsizetype kJet3ColumnFlagsOffset = 13;
constexpr qsizetype kJet3ColumnFixedOffsetOffset = 14;
constexpr qsizetype kJet3ColumnLengthOffset = 16;
constexpr quint8 kJet3ColumnFlagAlwaysSet = 0x10;

// A real index:
//   0 4 kIndexStamp; 4 + 3k: for each of 10 slots a 16-bit column number
//   (0xFFFF unused) and a byte, 1 for ascending; 34 4 row pointer to the map
//   of its pages; 38 4 its root page; 42 4 unknown; 46 1 flags; 47 5 unknown.
constexpr qsizetype kRealIndexSize = 52;
constexpr qsizetype kRealIndexSlotsOffset = 4;
constexpr qsizetype kRealIndexSlotSize = 3;
constexpr int kIndexColumnSlots = 10;
constexpr quint16 kUnusedIndexSlot = 0xffff;
constexpr quint8 kAscendingIndexColumn = 0x01;
constexpr qsizetype kRealIndexUsageMapOffset = 34;
constexpr qsizetype kRealIndexRootOffset = 38;
constexpr qsizetype kRealIndexFlagsOffset = 46;
constexpr quint8 kUniqueIndex = 0x01;       // flags
constexpr quint8 kIgnoreNullsIndex = 0x02;  // flags
constexpr quint8 kRequiredIndex = 0x08;     // flags
constexpr quint8 kIndexFlagsAlwaysSet = 0x80;

// A Jet 3 real index lacks the stamp and the bytes past the flags:
//   0 + 3k the 10 column slots; 30 4 row pointer to the map of its pages;
//   34 4 its root page; 38 1 flags. Jet 3 names a column in a slot by its
//   column number.
constexpr qsizetype kJet3RealIndexSize = 39;
constexpr qsizetype kJet3RealIndexSlotsOffset = 0;
constexpr qsizetype kJet3RealIndexUsageMapOffset = 30;
constexpr qsizetype kJet3RealIndexRootOffset = 34;
constexpr qsizetype kJet3RealIndexFlagsOffset = 38;
// A Jet 3 definition keeps 8 bytes of counts per real index: 4 unknown, 4
// count of distinct keys.
constexpr qsizetype kJet3IndexCountsSize = 8;

// A logical index:
//   0 4 kDefinitionStamp; 4 4 its number; 8 4 its real index; 12 1
//   relationship type; 13 4 related index, -1 for none; 17 4 related table;
//   21 1 cascade updates; 22 1 cascade deletes; 23 1 kind (below); 24 4 unknown.
constexpr qsizetype kLogicalIndexSize = 28;
constexpr qsizetype kLogicalIndexNumberOffset = 4;
constexpr qsizetype kLogicalIndexRealOffset = 8;
constexpr qsizetype kLogicalIndexRelatedOffset = 13;
constexpr qsizetype kLogicalIndexCascadeUpdatesOffset = 21;
constexpr qsizetype kLogicalIndexCascadeDeletesOffset = 22;
constexpr qsizetype kLogicalIndexKindOffset = 23;
// Jet 3: 0 4 its number; 4 4 its real index; 8 1 relationship type; 9 4
// related index; 13 4 related table; 17 1 cascade updates; 18 1 cascade
// deletes; 19 1 kind.
constexpr qsizetype kJet3LogicalIndexSize = 20;
constexpr qsizetype kJet3LogicalIndexNumberOffset = 0;
constexpr qsizetype kJet3LogicalIndexRealOffset = 4;
constexpr qsizetype kJet3LogicalIndexRelatedOffset = 9;
constexpr qsizetype kJet3LogicalIndexCascadeUpdatesOffset = 17;
constexpr qsizetype kJet3LogicalIndexCascadeDeletesOffset = 18;
constexpr qsizetype kJet3LogicalIndexKindOffset = 19;
constexpr quint8 kPrimaryKeyIndex = 0x01;
constexpr quint8 kForeignKeyIndex = 0x02;

// As many indexes as Jet allows a table.
constexpr quint32 kMaxIndexes = 32;

// Writing a new table's definition.

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

// The definition of a new table in one page, no long-value maps, one
// logical index for each real one. Throws JetWriteError when it does not
// fit, or when a Jet 3 table has a name its code page has not.
QByteArray TableDefinitionPage(const JetTableDefinition& table, const TableLayout& layout,
                               const TableDefinitionInfo& info, JetVersion version = JetVersion::Jet4);

// Reading an existing table's definition.

// A column as the definition describes it.
struct SchemaColumn {
    JetColumn column;     // name, type as the writer knows it, text length, compression
    quint8 typeCode = 0;  // the type byte of the file
    quint8 flags = 0;
    quint16 sortOrder = 0;
    ColumnPlacement placement;
    bool required = false;  // the column's Required property: no Null
};

struct IndexColumn {
    int column = 0;  // position in JetTableSchema::columns
    bool ascending = true;
};

// A real index: its columns, its tree and the map of the pages the tree owns.
struct SchemaIndex {
    std::vector<IndexColumn> columns;
    quint32 usageMap = 0;  // row pointer
    quint32 rootPage = 0;
    quint8 flags = 0;
    qsizetype uniqueCountOffset = 0;  // in the first definition page
    bool primaryKey = false;
    bool unique() const { return (flags & kUniqueIndex) != 0 || primaryKey; }
    bool ignoresNulls() const { return (flags & kIgnoreNullsIndex) != 0; }
    bool required() const { return (flags & kRequiredIndex) != 0 || primaryKey; }
};

// A logical index; several may share one real index. One that belongs to a
// relationship is kept like any other; the relationship's rules come from
// the catalog (RelationshipRules).
struct SchemaLogicalIndex {
    QString name;
    int realIndex = 0;
    bool relationship = false;
};

struct JetTableSchema {
    QString name;
    JetVersion version = JetVersion::Jet4;
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

// The next page of a definition's chain; 0 on the last.
quint32 NextDefinitionPage(const QByteArray& page);

// Reads a definition from its joined bytes (first page whole, continuation
// pages past their header). DamagedFile when the bytes contradict the layout.
JetTableSchema ParseTableDefinition(const QByteArray& bytes, quint32 firstPage, const QString& name,
                                    JetVersion version);

// Where the definition's first page keeps the table's row count.
qsizetype TableRowCountOffset(JetVersion version);
