#include "platform/database/jet/format/table_definition_page.h"

#include "platform/database/jet/format/column_types.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/little_endian.h"

namespace {

// Access writes this number into the header and into every column
// descriptor; its meaning is not known.
constexpr quint32 kDefinitionStamp = 0x0659;
constexpr quint16 kGeneralSortOrder = 0x0409;
constexpr quint8 kUserTable = 0x4e;
constexpr quint8 kSystemTable = 0x53;
constexpr quint8 kFixedLengthFlag = 0x01;
constexpr quint8 kNullableFlag = 0x02;
constexpr quint8 kCompressedUnicodeFlag = 0x01;
constexpr qsizetype kHeaderSize = 63;
constexpr qsizetype kIndexCountsSize = 12;
// Access opens every index block with this number; its meaning is not known.
constexpr quint32 kIndexStamp = 0x0783;
constexpr quint8 kAscendingColumn = 0x01;
constexpr quint8 kIndexFlagsAlwaysSet = 0x80;
constexpr quint8 kUniqueIndex = 0x01;
constexpr quint8 kRequiredIndex = 0x08;
constexpr quint8 kPrimaryKeyIndex = 0x01;
constexpr int kIndexColumnSlots = 10;

void AppendColumnDescriptor(QByteArray& page, const JetColumn& column, quint16 number,
                            const ColumnPlacement& placement, int variableColumnsBefore)
{
    const bool fixed = placement.fixedOffset >= 0;
    AppendLittleEndian(page, TraitsOf(column.type).code);
    AppendLittleEndian(page, kDefinitionStamp);
    AppendLittleEndian(page, number);
    // A fixed column carries the number of variable columns before it.
    AppendLittleEndian(page, static_cast<quint16>(fixed ? variableColumnsBefore : placement.variableIndex));
    AppendLittleEndian(page, number);
    AppendLittleEndian(page, kGeneralSortOrder);
    AppendLittleEndian(page, quint16{0});
    AppendLittleEndian(page, static_cast<quint8>(kNullableFlag | (fixed ? kFixedLengthFlag : 0)));
    AppendLittleEndian(page, static_cast<quint8>(column.type == JetColumnType::Text ? kCompressedUnicodeFlag : 0));
    AppendLittleEndian(page, quint32{0});
    AppendLittleEndian(page, static_cast<quint16>(fixed ? placement.fixedOffset : 0));
    AppendLittleEndian(page, DeclaredLength(column));
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

// The index as the file keeps it: its columns, the map of its pages, its root.
void AppendRealIndex(QByteArray& page, const JetTableDefinition& table, const JetIndex& index,
                     const IndexPlacement& placement)
{
    AppendLittleEndian(page, kIndexStamp);
    for (int slot = 0; slot < kIndexColumnSlots; ++slot) {
        const bool used = slot < static_cast<int>(index.columns.size());
        AppendLittleEndian(page, static_cast<quint16>(used ? ColumnNumber(table, index.columns[slot]) : 0xffff));
        AppendLittleEndian(page, static_cast<quint8>(used ? kAscendingColumn : 0));
    }
    AppendLittleEndian(page, placement.usageMap);
    AppendLittleEndian(page, placement.rootPage);
    AppendLittleEndian(page, quint32{0});
    AppendLittleEndian(page, static_cast<quint8>(kIndexFlagsAlwaysSet
                                                 | (index.primaryKey ? kUniqueIndex | kRequiredIndex : 0)));
    page.append(QByteArray(5, '\0'));
}

// The index as the user names it, here one for each index the file keeps.
void AppendLogicalIndex(QByteArray& page, const JetIndex& index, quint32 number)
{
    AppendLittleEndian(page, kDefinitionStamp);
    AppendLittleEndian(page, number);
    AppendLittleEndian(page, number);
    AppendLittleEndian(page, quint8{0});           // no relationship
    AppendLittleEndian(page, qint32{-1});
    AppendLittleEndian(page, quint32{0});
    AppendLittleEndian(page, quint8{4});           // as Access writes them without cascades
    AppendLittleEndian(page, quint8{4});
    AppendLittleEndian(page, static_cast<quint8>(index.primaryKey ? kPrimaryKeyIndex : 0));
    AppendLittleEndian(page, quint32{0});
}

}  // namespace

QByteArray TableDefinitionPage(const JetTableDefinition& table, const TableLayout& layout,
                               const TableDefinitionInfo& info)
{
    const auto columnCount = static_cast<quint16>(table.columns.size());
    QByteArray page(kHeaderSize, '\0');
    page[0] = static_cast<char>(kTableDefinitionPage);
    page[1] = 0x01;
    PutLittleEndian(page, 12, kDefinitionStamp);
    PutLittleEndian(page, 16, info.rowCount);
    page[24] = 0x01;  // lets Access hand out autonumbers
    page[40] = static_cast<char>(info.systemTable ? kSystemTable : kUserTable);
    PutLittleEndian(page, 41, columnCount);
    PutLittleEndian(page, 43, static_cast<quint16>(layout.variableCount));
    PutLittleEndian(page, 45, columnCount);
    const auto indexCount = static_cast<quint32>(table.indexes.size());
    PutLittleEndian(page, 47, indexCount);
    PutLittleEndian(page, 51, indexCount);
    PutLittleEndian(page, 55, info.usageMap);
    PutLittleEndian(page, 59, info.freeSpaceMap);

    page.append(QByteArray(kIndexCountsSize * indexCount, '\0'));

    int variableColumnsBefore = 0;
    for (quint16 i = 0; i < columnCount; ++i) {
        AppendColumnDescriptor(page, table.columns[i], i, layout.columns[i], variableColumnsBefore);
        if (layout.columns[i].variableIndex >= 0)
            ++variableColumnsBefore;
    }
    for (const JetColumn& column : table.columns)
        AppendName(page, column.name);
    for (quint32 i = 0; i < indexCount; ++i)
        AppendRealIndex(page, table, table.indexes[i], i < info.indexes.size() ? info.indexes[i] : IndexPlacement{});
    for (quint32 i = 0; i < indexCount; ++i)
        AppendLogicalIndex(page, table.indexes[i], i);
    for (const JetIndex& index : table.indexes)
        AppendName(page, index.name);
    // End of the list of long-value usage maps: column number 0xFFFF and two empty pointers.
    AppendLittleEndian(page, quint16{0xffff});
    page.append(QByteArray(8, '\0'));

    if (page.size() > kPageSize)
        throw JetWriteError(
            QStringLiteral("Tabella '%1': la definizione non sta in una pagina (troppe colonne)").arg(table.name));
    PutLittleEndian(page, 2, static_cast<quint16>(kPageSize - page.size()));
    PutLittleEndian(page, 8, static_cast<quint32>(page.size() - 8));
    page.append(QByteArray(kPageSize - page.size(), '\0'));
    return page;
}
