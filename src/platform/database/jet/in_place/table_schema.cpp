#include "platform/database/jet/in_place/table_schema.h"

#include "platform/database/jet/format/column_types.h"
#include "platform/database/jet/in_place/damaged_file.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/in_place/page_file.h"

#include <QSet>

namespace {

constexpr quint8 kDefinitionPageType = 0x02;
constexpr qsizetype kContinuationHeader = 8;
constexpr qsizetype kHeaderSize = 63;
constexpr qsizetype kIndexCountsSize = 12;
constexpr qsizetype kColumnSize = 25;
constexpr qsizetype kRealIndexSize = 52;
constexpr qsizetype kLogicalIndexSize = 28;
constexpr int kIndexColumnSlots = 10;
constexpr quint32 kMaxIndexes = 32;  // as many as Jet allows a table
constexpr quint8 kFixedLengthFlag = 0x01;
constexpr quint8 kCompressedTextFlag = 0x01;
constexpr quint8 kPrimaryKeyType = 0x01;
constexpr quint8 kForeignKeyType = 0x02;

// The definition's bytes: the first page whole, then each continuation page
// without its header, as Jet chains them.
QByteArray DefinitionBytes(JetPageFile& file, quint32 first)
{
    QByteArray bytes = file.page(first);
    if (ReadByte(bytes, 0) != kDefinitionPageType)
        throw DamagedFile(QStringLiteral("la pagina %1 non è una definizione di tabella").arg(first));
    QSet<quint32> seen{first};
    for (quint32 next = ReadLittleEndian<quint32>(bytes, 4); next != 0;) {
        if (seen.contains(next) || next >= file.pageCount())
            throw DamagedFile(QStringLiteral("catena della definizione di tabella a pagina %1").arg(first));
        seen.insert(next);
        const QByteArray& page = file.page(next);
        if (ReadByte(page, 0) != kDefinitionPageType)
            throw DamagedFile(QStringLiteral("continuazione della definizione a pagina %1").arg(next));
        bytes.append(page.mid(kContinuationHeader));
        next = ReadLittleEndian<quint32>(page, 4);
    }
    return bytes;
}

JetColumnType TypeOf(quint8 code)
{
    switch (code) {
    case 0x02: return JetColumnType::Byte;
    case 0x03: return JetColumnType::Integer;
    case 0x04: return JetColumnType::LongInteger;
    case 0x07: return JetColumnType::Double;
    case 0x08: return JetColumnType::DateTime;
    case 0x09: return JetColumnType::Binary;
    case 0x0a: return JetColumnType::Text;
    case 0x0b: return JetColumnType::Ole;
    case 0x0c: return JetColumnType::Memo;
    default: return JetColumnType::Other;
    }
}

QString ReadName(const QByteArray& bytes, qsizetype& at)
{
    const quint16 size = ReadLittleEndian<quint16>(bytes, at);
    at += 2;
    if (size % 2 != 0 || at + size > bytes.size())
        throw DamagedFile(QStringLiteral("nome nella definizione di tabella"));
    QString name;
    for (qsizetype i = 0; i < size; i += 2)
        name.append(QChar(ReadLittleEndian<quint16>(bytes, at + i)));
    at += size;
    return name;
}

SchemaColumn ReadColumn(const QByteArray& bytes, qsizetype at)
{
    SchemaColumn column;
    column.typeCode = ReadByte(bytes, at);
    column.column.type = TypeOf(column.typeCode);
    column.flags = ReadByte(bytes, at + 15);
    column.sortOrder = ReadLittleEndian<quint16>(bytes, at + 11);
    column.column.compressedText = (ReadByte(bytes, at + 16) & kCompressedTextFlag) != 0;
    const quint16 length = ReadLittleEndian<quint16>(bytes, at + 23);
    if (column.column.type == JetColumnType::Text)
        column.column.length = length / 2;
    ColumnPlacement& placement = column.placement;
    placement.number = ReadLittleEndian<quint16>(bytes, at + 5);
    if ((column.flags & kFixedLengthFlag) != 0) {
        placement.fixedOffset = ReadLittleEndian<quint16>(bytes, at + 21);
        placement.fixedSize = length;
        // A Boolean lives in the mask alone.
        if (column.typeCode == 0x01)
            placement.fixedSize = 0;
    } else {
        placement.variableIndex = ReadLittleEndian<quint16>(bytes, at + 7);
    }
    return column;
}

// The layout of a row of this table, checked against the types' sizes so
// that a packed row can never write outside its own bytes.
TableLayout LayoutOf(const std::vector<SchemaColumn>& columns, int columnCount)
{
    TableLayout layout;
    layout.columnCount = columnCount;
    for (const SchemaColumn& column : columns) {
        const ColumnPlacement& placement = column.placement;
        const int typeSize = column.column.type == JetColumnType::Other ? placement.fixedSize
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

}  // namespace

int JetTableSchema::columnNamed(const QString& name) const
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].column.name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

JetTableSchema ReadTableSchema(JetPageFile& file, quint32 page, const QString& name)
{
    const QByteArray bytes = DefinitionBytes(file, page);
    JetTableSchema schema;
    schema.name = name;
    schema.definitionPage = page;
    schema.rowCount = ReadLittleEndian<quint32>(bytes, kTableRowCountOffset);
    const int maxColumns = ReadLittleEndian<quint16>(bytes, 41);
    const int columnCount = ReadLittleEndian<quint16>(bytes, 45);
    const quint32 logicalCount = ReadLittleEndian<quint32>(bytes, 47);
    const quint32 realCount = ReadLittleEndian<quint32>(bytes, 51);
    schema.usageMap = ReadLittleEndian<quint32>(bytes, 55);
    schema.freeSpaceMap = ReadLittleEndian<quint32>(bytes, 59);
    if (realCount > kMaxIndexes || logicalCount > kMaxIndexes || columnCount > maxColumns)
        throw DamagedFile(QStringLiteral("conteggi della tabella '%1'").arg(name));

    qsizetype at = kHeaderSize + kIndexCountsSize * realCount;
    for (int i = 0; i < columnCount; ++i, at += kColumnSize)
        schema.columns.push_back(ReadColumn(bytes, at));
    for (SchemaColumn& column : schema.columns)
        column.column.name = ReadName(bytes, at);
    schema.layout = LayoutOf(schema.columns, std::max(maxColumns, columnCount));
    for (const SchemaColumn& column : schema.columns)
        schema.definition.columns.push_back(column.column);
    schema.definition.name = name;

    for (quint32 i = 0; i < realCount; ++i, at += kRealIndexSize) {
        SchemaIndex index;
        for (int slot = 0; slot < kIndexColumnSlots; ++slot) {
            const quint16 number = ReadLittleEndian<quint16>(bytes, at + 4 + 3 * slot);
            if (number == 0xffff)
                continue;
            int position = -1;
            for (std::size_t c = 0; c < schema.columns.size(); ++c) {
                if (schema.columns[c].placement.number == number)
                    position = static_cast<int>(c);
            }
            if (position < 0)
                throw DamagedFile(QStringLiteral("indice della tabella '%1'").arg(name));
            index.columns.push_back({position, (ReadByte(bytes, at + 6 + 3 * slot) & 0x01) != 0});
        }
        index.usageMap = ReadLittleEndian<quint32>(bytes, at + 34);
        index.rootPage = ReadLittleEndian<quint32>(bytes, at + 38);
        index.flags = ReadByte(bytes, at + 46);
        index.uniqueCountOffset = kHeaderSize + kIndexCountsSize * i + 4;
        if (index.columns.empty())
            throw DamagedFile(QStringLiteral("indice senza colonne nella tabella '%1'").arg(name));
        schema.indexes.push_back(index);
    }
    for (quint32 i = 0; i < logicalCount; ++i, at += kLogicalIndexSize) {
        SchemaLogicalIndex logical;
        const quint32 real = ReadLittleEndian<quint32>(bytes, at + 8);
        const quint8 type = ReadByte(bytes, at + 23);
        if (real >= realCount)
            throw DamagedFile(QStringLiteral("indice logico della tabella '%1'").arg(name));
        logical.realIndex = static_cast<int>(real);
        logical.relationship = type == kForeignKeyType || ReadLittleEndian<qint32>(bytes, at + 13) != -1;
        if (type == kPrimaryKeyType)
            schema.indexes[real].primaryKey = true;
        schema.logicalIndexes.push_back(logical);
    }
    for (SchemaLogicalIndex& logical : schema.logicalIndexes)
        logical.name = ReadName(bytes, at);
    return schema;
}
