#include "table_definition_page.h"

#include "column_types.h"
#include "jet_format.h"
#include "little_endian.h"

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
    PutLittleEndian(page, 55, info.usageMap);
    PutLittleEndian(page, 59, info.freeSpaceMap);

    int variableColumnsBefore = 0;
    for (quint16 i = 0; i < columnCount; ++i) {
        AppendColumnDescriptor(page, table.columns[i], i, layout.columns[i], variableColumnsBefore);
        if (layout.columns[i].variableIndex >= 0)
            ++variableColumnsBefore;
    }
    for (const JetColumn& column : table.columns) {
        AppendLittleEndian(page, static_cast<quint16>(column.name.size() * 2));
        for (const QChar c : column.name)
            AppendLittleEndian(page, c.unicode());
    }
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
