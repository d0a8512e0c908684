#include "platform/database/jet/format/table_definition_page.h"

#include "platform/database/jet/format/column_types.h"
#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/text_encoding.h"

#include <algorithm>

namespace {

// Access writes this number into the header, every column descriptor and
// every logical index; its meaning is not known.
constexpr quint32 kDefinitionStamp = 0x0659;
// Access opens every real index with this number; its meaning is not known.
constexpr quint32 kIndexStamp = 0x0783;
constexpr quint16 kGeneralSortOrder = 0x0409;
constexpr quint16 kWesternCodePage = 1252;
// What Access writes in both cascade bytes of an index outside any relationship.
constexpr quint8 kNoCascade = 4;
constexpr quint16 kEndOfLongValueMaps = 0xffff;
constexpr qsizetype kLongValueMapPointers = 8;

// Where each field of a definition lies in either version, and what only
// one of them writes.
struct DefinitionOffsets {
    qsizetype rowCount, tableType, maxColumns, variableColumns, columnCount, logicalCount, realCount, usageMap,
        freeSpaceMap;
    qsizetype headerSize, indexCountsSize;
    qsizetype columnSize, columnNumber, columnVariableIndex, columnSortOrder, columnFlags;
    qsizetype columnMoreFlags;   // -1: Jet 3 has no compressed texts
    qsizetype columnIndex;       // -1: Jet 3 does not repeat the number
    qsizetype columnUnknownOne;  // -1: only Jet 3 writes it
    qsizetype columnCodePage;    // -1: Jet 4 texts have none
    qsizetype columnFixedOffset, columnLength;
    quint8 columnFlagsAlwaysSet;
    qsizetype realSize, realSlots, realUsageMap, realRoot, realFlags;
    quint8 realFlagsAlwaysSet;
    qsizetype logicalSize, logicalNumber, logicalReal, logicalRelated, logicalCascadeUpdates, logicalCascadeDeletes,
        logicalKind;
    bool stamps;  // Jet 4's descriptors begin with Access's stamps
};

constexpr DefinitionOffsets kJet4Offsets{.rowCount = kTableRowCountOffset,
                                         .tableType = kTableTypeOffset,
                                         .maxColumns = kMaxColumnsOffset,
                                         .variableColumns = kVariableColumnsOffset,
                                         .columnCount = kColumnCountOffset,
                                         .logicalCount = kLogicalIndexCountOffset,
                                         .realCount = kRealIndexCountOffset,
                                         .usageMap = kTableUsageMapOffset,
                                         .freeSpaceMap = kTableFreeSpaceMapOffset,
                                         .headerSize = kDefinitionHeaderSize,
                                         .indexCountsSize = kIndexCountsSize,
                                         .columnSize = kColumnDescriptorSize,
                                         .columnNumber = kColumnNumberOffset,
                                         .columnVariableIndex = kColumnVariableIndexOffset,
                                         .columnSortOrder = kColumnSortOrderOffset,
                                         .columnFlags = kColumnFlagsOffset,
                                         .columnMoreFlags = kColumnMoreFlagsOffset,
                                         .columnIndex = kColumnIndexOffset,
                                         .columnUnknownOne = -1,
                                         .columnCodePage = -1,
                                         .columnFixedOffset = kColumnFixedOffsetOffset,
                                         .columnLength = kColumnLengthOffset,
                                         .columnFlagsAlwaysSet = 0,
                                         .realSize = kRealIndexSize,
                                         .realSlots = kRealIndexSlotsOffset,
                                         .realUsageMap = kRealIndexUsageMapOffset,
                                         .realRoot = kRealIndexRootOffset,
                                         .realFlags = kRealIndexFlagsOffset,
                                         .realFlagsAlwaysSet = kIndexFlagsAlwaysSet,
                                         .logicalSize = kLogicalIndexSize,
                                         .logicalNumber = kLogicalIndexNumberOffset,
                                         .logicalReal = kLogicalIndexRealOffset,
                                         .logicalRelated = kLogicalIndexRelatedOffset,
                                         .logicalCascadeUpdates = kLogicalIndexCascadeUpdatesOffset,
                                         .logicalCascadeDeletes = kLogicalIndexCascadeDeletesOffset,
                                         .logicalKind = kLogicalIndexKindOffset,
                                         .stamps = true};
constexpr DefinitionOffsets kJet3Offsets{.rowCount = kJet3DefinitionRowCountOffset,
                                         .tableType = kJet3TableTypeOffset,
                                         .maxColumns = kJet3MaxColumnsOffset,
                                         .variableColumns = kJet3VariableColumnsOffset,
                                         .columnCount = kJet3ColumnCountOffset,
                                         .logicalCount = kJet3LogicalIndexCountOffset,
                                         .realCount = kJet3RealIndexCountOffset,
                                         .usageMap = kJet3TableUsageMapOffset,
                                         .freeSpaceMap = kJet3TableFreeSpaceMapOffset,
                                         .headerSize = kJet3DefinitionHeaderSize,
                                         .indexCountsSize = kJet3IndexCountsSize,
                                         .columnSize = kJet3ColumnDescriptorSize,
                                         .columnNumber = kJet3ColumnNumberOffset,
                                         .columnVariableIndex = kJet3ColumnVariableIndexOffset,
                                         .columnSortOrder = kJet3ColumnSortOrderOffset,
                                         .columnFlags = kJet3ColumnFlagsOffset,
                                         .columnMoreFlags = -1,
                                         .columnIndex = -1,
                                         .columnUnknownOne = kJet3ColumnUnknownOneOffset,
                                         .columnCodePage = kJet3ColumnCodePageOffset,
                                         .columnFixedOffset = kJet3ColumnFixedOffsetOffset,
                                         .columnLength = kJet3ColumnLengthOffset,
                                         .columnFlagsAlwaysSet = kJet3ColumnFlagAlwaysSet,
                                         .realSize = kJet3RealIndexSize,
                                         .realSlots = kJet3RealIndexSlotsOffset,
                                         .realUsageMap = kJet3RealIndexUsageMapOffset,
                                         .realRoot = kJet3RealIndexRootOffset,
                                         .realFlags = kJet3RealIndexFlagsOffset,
                                         .realFlagsAlwaysSet = 0,
                                         .logicalSize = kJet3LogicalIndexSize,
                                         .logicalNumber = kJet3LogicalIndexNumberOffset,
                                         .logicalReal = kJet3LogicalIndexRealOffset,
                                         .logicalRelated = kJet3LogicalIndexRelatedOffset,
                                         .logicalCascadeUpdates = kJet3LogicalIndexCascadeUpdatesOffset,
                                         .logicalCascadeDeletes = kJet3LogicalIndexCascadeDeletesOffset,
                                         .logicalKind = kJet3LogicalIndexKindOffset,
                                         .stamps = false};

const DefinitionOffsets& OffsetsOf(JetVersion version)
{
    return version == JetVersion::Jet3 ? kJet3Offsets : kJet4Offsets;
}

// Writing.

QByteArray ColumnDescriptor(const JetColumn& column, quint16 number, const ColumnPlacement& placement,
                            int variableColumnsBefore, JetVersion version)
{
    const DefinitionOffsets& layout = OffsetsOf(version);
    const bool fixed = placement.fixedOffset >= 0;
    QByteArray descriptor(layout.columnSize, '\0');
    descriptor[kColumnTypeOffset] = static_cast<char>(TraitsOf(column.type).code);
    if (layout.stamps)
        PutLittleEndian(descriptor, kColumnStampOffset, kDefinitionStamp);
    PutLittleEndian(descriptor, layout.columnNumber, number);
    PutLittleEndian(descriptor, layout.columnVariableIndex,
                    static_cast<quint16>(fixed ? variableColumnsBefore : placement.variableIndex));
    if (layout.columnIndex >= 0)
        PutLittleEndian(descriptor, layout.columnIndex, number);
    // Access 97 writes 1 here in every column; its meaning is not known.
    if (layout.columnUnknownOne >= 0)
        PutLittleEndian(descriptor, layout.columnUnknownOne, quint16{1});
    PutLittleEndian(descriptor, layout.columnSortOrder, kGeneralSortOrder);
    if (layout.columnCodePage >= 0)
        PutLittleEndian(descriptor, layout.columnCodePage, kWesternCodePage);
    descriptor[layout.columnFlags] =
        static_cast<char>(layout.columnFlagsAlwaysSet | kNullableColumn | (fixed ? kFixedLengthColumn : 0));
    if (layout.columnMoreFlags >= 0)
        descriptor[layout.columnMoreFlags] =
            static_cast<char>(column.type == JetColumnType::Text && column.compressedText ? kCompressedTextColumn : 0);
    PutLittleEndian(descriptor, layout.columnFixedOffset, static_cast<quint16>(fixed ? placement.fixedOffset : 0));
    PutLittleEndian(descriptor, layout.columnLength, DeclaredLength(column, version));
    return descriptor;
}

int ColumnNumber(const JetTableDefinition& table, const QString& name)
{
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    Q_UNREACHABLE();
}

void AppendName(QByteArray& page, const QString& name)
{
    AppendLittleEndian(page, static_cast<quint16>(name.size() * 2));
    for (const QChar c : name)
        AppendLittleEndian(page, c.unicode());
}

void AppendJet3Name(QByteArray& page, const QString& tableName, const QString& name)
{
    QByteArray bytes;
    try {
        AppendWindows1252(bytes, name);
    } catch (const JetWriteError& error) {
        throw JetWriteError(QStringLiteral("Tabella '%1', nome '%2': %3").arg(tableName, name, error.message()));
    }
    page.append(static_cast<char>(bytes.size()));
    page.append(bytes);
}

// The last bytes of every definition: the list of long-value maps, empty.
void AppendNoLongValueMaps(QByteArray& page)
{
    AppendLittleEndian(page, kEndOfLongValueMaps);
    page.append(QByteArray(kLongValueMapPointers, '\0'));
}

// Pads the definition to its page, after setting its length.
QByteArray FinishedPage(QByteArray page, const QString& tableName, JetVersion version)
{
    if (page.size() > PageSize(version))
        throw JetWriteError(
            QStringLiteral("Tabella '%1': la definizione non sta in una pagina (troppe colonne)").arg(tableName));
    if (version == JetVersion::Jet4)
        PutLittleEndian(page, 2, static_cast<quint16>(kPageSize - page.size()));
    PutLittleEndian(page, kDefinitionLengthOffset, static_cast<quint32>(page.size() - kDefinitionLengthOffset));
    page.append(QByteArray(PageSize(version) - page.size(), '\0'));
    return page;
}

// Where the fields of an index descriptor are: Jet 3 has no stamps and
// nothing past the real index's flags.
QByteArray RealIndex(const JetTableDefinition& table, const JetIndex& index, const IndexPlacement& placement,
                     JetVersion version)
{
    const DefinitionOffsets& layout = OffsetsOf(version);
    QByteArray bytes(layout.realSize, '\0');
    if (layout.stamps)
        PutLittleEndian(bytes, 0, kIndexStamp);
    for (int slot = 0; slot < kIndexColumnSlots; ++slot) {
        const bool used = slot < static_cast<int>(index.columns.size());
        const qsizetype at = layout.realSlots + kRealIndexSlotSize * slot;
        PutLittleEndian(bytes, at,
                        static_cast<quint16>(used ? ColumnNumber(table, index.columns[slot]) : kUnusedIndexSlot));
        bytes[at + 2] = static_cast<char>(used ? kAscendingIndexColumn : 0);
    }
    PutLittleEndian(bytes, layout.realUsageMap, placement.usageMap);
    PutLittleEndian(bytes, layout.realRoot, placement.rootPage);
    bytes[layout.realFlags] =
        static_cast<char>(layout.realFlagsAlwaysSet | (index.primaryKey ? kUniqueIndex | kRequiredIndex : 0));
    return bytes;
}

QByteArray LogicalIndex(const JetIndex& index, quint32 number, JetVersion version)
{
    const DefinitionOffsets& layout = OffsetsOf(version);
    QByteArray bytes(layout.logicalSize, '\0');
    if (layout.stamps)
        PutLittleEndian(bytes, 0, kDefinitionStamp);
    PutLittleEndian(bytes, layout.logicalNumber, number);
    PutLittleEndian(bytes, layout.logicalReal, number);
    PutLittleEndian(bytes, layout.logicalRelated, qint32{-1});
    bytes[layout.logicalCascadeUpdates] = static_cast<char>(kNoCascade);
    bytes[layout.logicalCascadeDeletes] = static_cast<char>(kNoCascade);
    bytes[layout.logicalKind] = static_cast<char>(index.primaryKey ? kPrimaryKeyIndex : 0);
    return bytes;
}

// Reading.

// Jet 4 in UCS-2 after a 16-bit byte count, Jet 3 in its code page after an 8-bit one.
QString ReadName(const QByteArray& bytes, qsizetype& at, JetVersion version)
{
    const bool jet3 = version == JetVersion::Jet3;
    const quint16 size = jet3 ? ReadByte(bytes, at) : ReadLittleEndian<quint16>(bytes, at);
    at += jet3 ? 1 : 2;
    if ((!jet3 && size % 2 != 0) || at + size > bytes.size())
        throw DamagedFile(QStringLiteral("nome nella definizione di tabella"));
    QString name;
    if (jet3) {
        name = DecodeWindows1252(bytes.constData() + at, size);
    } else {
        for (qsizetype i = 0; i < size; i += 2)
            name.append(QChar(ReadLittleEndian<quint16>(bytes, at + i)));
    }
    at += size;
    return name;
}

SchemaColumn ReadColumn(const QByteArray& bytes, qsizetype at, JetVersion version)
{
    const DefinitionOffsets& offsets = OffsetsOf(version);
    SchemaColumn column;
    column.typeCode = ReadByte(bytes, at + kColumnTypeOffset);
    column.column.type = ColumnTypeOfCode(column.typeCode);
    column.flags = ReadByte(bytes, at + offsets.columnFlags);
    column.sortOrder = ReadLittleEndian<quint16>(bytes, at + offsets.columnSortOrder);
    column.column.compressedText =
        offsets.columnMoreFlags >= 0 && (ReadByte(bytes, at + offsets.columnMoreFlags) & kCompressedTextColumn) != 0;
    const quint16 length = ReadLittleEndian<quint16>(bytes, at + offsets.columnLength);
    if (column.column.type == JetColumnType::Text)
        column.column.length = version == JetVersion::Jet3 ? length : length / 2;
    ColumnPlacement& placement = column.placement;
    placement.number = ReadLittleEndian<quint16>(bytes, at + offsets.columnNumber);
    if ((column.flags & kFixedLengthColumn) != 0) {
        placement.fixedOffset = ReadLittleEndian<quint16>(bytes, at + offsets.columnFixedOffset);
        placement.fixedSize = column.typeCode == kBooleanTypeCode ? 0 : length;
    } else {
        placement.variableIndex = ReadLittleEndian<quint16>(bytes, at + offsets.columnVariableIndex);
    }
    return column;
}

// The layout of a row of this table, checked against the types' sizes so
// that a packed row can never write outside its own bytes.
TableLayout LayoutOf(const std::vector<SchemaColumn>& columns, int columnCount, JetVersion version)
{
    TableLayout layout;
    layout.columnCount = columnCount;
    const int bytesPerCharacter = version == JetVersion::Jet3 ? 1 : 2;
    for (const SchemaColumn& column : columns) {
        const ColumnPlacement& placement = column.placement;
        const int typeSize = column.column.type == JetColumnType::Other ? placement.fixedSize
            : column.column.type == JetColumnType::Text                 ? bytesPerCharacter * column.column.length
                                                                        : TraitsOf(column.column.type).fixedSize;
        if (placement.number >= columnCount || (placement.fixedOffset >= 0 && placement.fixedSize != typeSize)
            || placement.variableIndex > 255)
            throw DamagedFile(QStringLiteral("colonna '%1' della definizione di tabella").arg(column.column.name));
        if (placement.fixedOffset >= 0)
            layout.fixedSize = std::max(layout.fixedSize, placement.fixedOffset + placement.fixedSize);
        else
            layout.variableCount = std::max(layout.variableCount, placement.variableIndex + 1);
        layout.columns.push_back(placement);
    }
    return layout;
}

SchemaIndex ReadRealIndex(const QByteArray& bytes, qsizetype at, const JetTableSchema& schema, quint32 number)
{
    const DefinitionOffsets& offsets = OffsetsOf(schema.version);
    SchemaIndex index;
    for (int slot = 0; slot < kIndexColumnSlots; ++slot) {
        const qsizetype slotAt = at + offsets.realSlots + kRealIndexSlotSize * slot;
        const quint16 columnNumber = ReadLittleEndian<quint16>(bytes, slotAt);
        if (columnNumber == kUnusedIndexSlot)
            continue;
        int position = -1;
        for (std::size_t c = 0; c < schema.columns.size(); ++c) {
            if (schema.columns[c].placement.number == columnNumber)
                position = static_cast<int>(c);
        }
        if (position < 0)
            throw DamagedFile(QStringLiteral("indice della tabella '%1'").arg(schema.name));
        index.columns.push_back({position, (ReadByte(bytes, slotAt + 2) & kAscendingIndexColumn) != 0});
    }
    index.usageMap = ReadLittleEndian<quint32>(bytes, at + offsets.realUsageMap);
    index.rootPage = ReadLittleEndian<quint32>(bytes, at + offsets.realRoot);
    index.flags = ReadByte(bytes, at + offsets.realFlags);
    index.uniqueCountOffset = offsets.headerSize + offsets.indexCountsSize * number + kDistinctKeysOffset;
    if (index.columns.empty())
        throw DamagedFile(QStringLiteral("indice senza colonne nella tabella '%1'").arg(schema.name));
    return index;
}

}  // namespace

QByteArray TableDefinitionPage(const JetTableDefinition& table, const TableLayout& layout,
                               const TableDefinitionInfo& info, JetVersion version)
{
    const bool jet3 = version == JetVersion::Jet3;
    const DefinitionOffsets& offsets = OffsetsOf(version);
    const auto columnCount = static_cast<quint16>(table.columns.size());
    const auto indexCount = static_cast<quint32>(table.indexes.size());
    QByteArray page(offsets.headerSize, '\0');
    page[0] = static_cast<char>(kTableDefinitionPageType);
    page[1] = static_cast<char>(kPageMarker);
    if (jet3) {
        page[2] = 'V';
        page[3] = 'C';
    } else {
        PutLittleEndian(page, kDefinitionStampOffset, kDefinitionStamp);
        page[kAutoNumberAllowedOffset] = 0x01;
    }
    PutLittleEndian(page, offsets.rowCount, info.rowCount);
    page[offsets.tableType] = static_cast<char>(info.systemTable ? kSystemTable : kUserTable);
    PutLittleEndian(page, offsets.maxColumns, columnCount);
    PutLittleEndian(page, offsets.variableColumns, static_cast<quint16>(layout.variableCount));
    PutLittleEndian(page, offsets.columnCount, columnCount);
    PutLittleEndian(page, offsets.logicalCount, indexCount);
    PutLittleEndian(page, offsets.realCount, indexCount);
    PutLittleEndian(page, offsets.usageMap, info.usageMap);
    PutLittleEndian(page, offsets.freeSpaceMap, info.freeSpaceMap);

    page.append(QByteArray(offsets.indexCountsSize * indexCount, '\0'));

    int variableColumnsBefore = 0;
    for (quint16 i = 0; i < columnCount; ++i) {
        page.append(ColumnDescriptor(table.columns[i], i, layout.columns[i], variableColumnsBefore, version));
        if (layout.columns[i].variableIndex >= 0)
            ++variableColumnsBefore;
    }
    const auto appendName = [&](const QString& name) {
        if (jet3)
            AppendJet3Name(page, table.name, name);
        else
            AppendName(page, name);
    };
    for (const JetColumn& column : table.columns)
        appendName(column.name);
    for (quint32 i = 0; i < indexCount; ++i)
        page.append(
            RealIndex(table, table.indexes[i], i < info.indexes.size() ? info.indexes[i] : IndexPlacement{}, version));
    for (quint32 i = 0; i < indexCount; ++i)
        page.append(LogicalIndex(table.indexes[i], i, version));
    for (const JetIndex& index : table.indexes)
        appendName(index.name);
    AppendNoLongValueMaps(page);
    return FinishedPage(page, table.name, version);
}

int JetTableSchema::columnNamed(const QString& name) const
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].column.name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

quint32 NextDefinitionPage(const QByteArray& page)
{
    return ReadLittleEndian<quint32>(page, kDefinitionNextPageOffset);
}

qsizetype TableRowCountOffset(JetVersion version)
{
    return OffsetsOf(version).rowCount;
}

JetTableSchema ParseTableDefinition(const QByteArray& bytes, quint32 firstPage, const QString& name, JetVersion version)
{
    const DefinitionOffsets& offsets = OffsetsOf(version);
    JetTableSchema schema;
    schema.name = name;
    schema.version = version;
    schema.definitionPage = firstPage;
    schema.rowCount = ReadLittleEndian<quint32>(bytes, offsets.rowCount);
    const int maxColumns = ReadLittleEndian<quint16>(bytes, offsets.maxColumns);
    const int columnCount = ReadLittleEndian<quint16>(bytes, offsets.columnCount);
    const quint32 logicalCount = ReadLittleEndian<quint32>(bytes, offsets.logicalCount);
    const quint32 realCount = ReadLittleEndian<quint32>(bytes, offsets.realCount);
    schema.usageMap = ReadLittleEndian<quint32>(bytes, offsets.usageMap);
    schema.freeSpaceMap = ReadLittleEndian<quint32>(bytes, offsets.freeSpaceMap);
    if (realCount > kMaxIndexes || logicalCount > kMaxIndexes || columnCount > maxColumns)
        throw DamagedFile(QStringLiteral("conteggi della tabella '%1'").arg(name));

    qsizetype at = offsets.headerSize + offsets.indexCountsSize * realCount;
    for (int i = 0; i < columnCount; ++i, at += offsets.columnSize)
        schema.columns.push_back(ReadColumn(bytes, at, version));
    for (SchemaColumn& column : schema.columns)
        column.column.name = ReadName(bytes, at, version);
    schema.layout = LayoutOf(schema.columns, std::max(maxColumns, columnCount), version);
    for (const SchemaColumn& column : schema.columns)
        schema.definition.columns.push_back(column.column);
    schema.definition.name = name;

    for (quint32 i = 0; i < realCount; ++i, at += offsets.realSize)
        schema.indexes.push_back(ReadRealIndex(bytes, at, schema, i));
    for (quint32 i = 0; i < logicalCount; ++i, at += offsets.logicalSize) {
        SchemaLogicalIndex logical;
        const quint32 real = ReadLittleEndian<quint32>(bytes, at + offsets.logicalReal);
        const quint8 kind = ReadByte(bytes, at + offsets.logicalKind);
        if (real >= realCount)
            throw DamagedFile(QStringLiteral("indice logico della tabella '%1'").arg(name));
        logical.realIndex = static_cast<int>(real);
        logical.relationship =
            kind == kForeignKeyIndex || ReadLittleEndian<qint32>(bytes, at + offsets.logicalRelated) != -1;
        if (kind == kPrimaryKeyIndex)
            schema.indexes[real].primaryKey = true;
        schema.logicalIndexes.push_back(logical);
    }
    for (SchemaLogicalIndex& logical : schema.logicalIndexes)
        logical.name = ReadName(bytes, at, version);
    return schema;
}
