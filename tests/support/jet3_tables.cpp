#include "support/jet3_tables.h"

#include "platform/database/jet/format/column_types.h"
#include "platform/database/jet/format/data_page.h"

#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>

namespace {

// Jet 3 texts and names are the code page's bytes; Windows-1252 for every sample here.
QString FromCodePage(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-1252");
    return decoder.decode(bytes);
}

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : bytes_(bytes) {}

    quint8 byte(qsizetype at) const
    {
        need(at, 1);
        return static_cast<quint8>(bytes_[at]);
    }
    template <typename T>
    T number(qsizetype at) const
    {
        need(at, sizeof(T));
        return qFromLittleEndian<T>(bytes_.constData() + at);
    }
    QByteArray bytes(qsizetype at, qsizetype size) const
    {
        need(at, size);
        return bytes_.mid(at, size);
    }
    // A name: its length in one byte, then the code page's bytes.
    QString name(qsizetype& at) const
    {
        const int length = byte(at);
        const QString text = FromCodePage(bytes(at + 1, length));
        at += 1 + length;
        return text;
    }

private:
    void need(qsizetype at, qsizetype size) const
    {
        if (at < 0 || size < 0 || at + size > bytes_.size())
            throw Jet3ReadError("a field past the end of its structure");
    }
    const QByteArray& bytes_;
};

SchemaColumn ReadColumn(const Reader& definition, qsizetype at)
{
    SchemaColumn column;
    column.typeCode = definition.byte(at + kColumnTypeOffset);
    column.column.type = ColumnTypeOfCode(column.typeCode);
    column.flags = definition.byte(at + kJet3ColumnFlagsOffset);
    column.sortOrder = definition.number<quint16>(at + kJet3ColumnSortOrderOffset);
    column.column.length = definition.number<quint16>(at + kJet3ColumnLengthOffset);
    column.placement.number = definition.number<quint16>(at + kJet3ColumnNumberOffset);
    if ((column.flags & kFixedLengthColumn) != 0 && column.typeCode != kBooleanTypeCode) {
        column.placement.fixedOffset = definition.number<quint16>(at + kJet3ColumnFixedOffsetOffset);
        column.placement.fixedSize = column.column.length;
    } else if ((column.flags & kFixedLengthColumn) == 0) {
        column.placement.variableIndex = definition.number<quint16>(at + kJet3ColumnVariableIndexOffset);
    }
    return column;
}

int ColumnWithNumber(const JetTableSchema& schema, int number)
{
    for (std::size_t i = 0; i < schema.columns.size(); ++i) {
        if (schema.columns[i].placement.number == number)
            return static_cast<int>(i);
    }
    throw Jet3ReadError("an index names a column the table has not");
}

SchemaIndex ReadRealIndex(const Reader& definition, qsizetype at, const JetTableSchema& schema, qsizetype countsAt)
{
    SchemaIndex index;
    for (int slot = 0; slot < kIndexColumnSlots; ++slot) {
        const qsizetype slotAt = at + kJet3RealIndexSlotsOffset + kRealIndexSlotSize * slot;
        const quint16 number = definition.number<quint16>(slotAt);
        if (number != kUnusedIndexSlot)
            index.columns.push_back(
                {ColumnWithNumber(schema, number), definition.byte(slotAt + 2) == kAscendingIndexColumn});
    }
    index.usageMap = definition.number<quint32>(at + kJet3RealIndexUsageMapOffset);
    index.rootPage = definition.number<quint32>(at + kJet3RealIndexRootOffset);
    index.flags = definition.byte(at + kJet3RealIndexFlagsOffset);
    index.uniqueCountOffset = countsAt + kDistinctKeysOffset;
    return index;
}

// The values of a row: one-byte column count, the fixed part, the variable
// values, one-byte offsets (with a byte of jumps for each 256 bytes), their
// count and the mask of non-Null columns.
std::vector<Variant> RowValues(const JetTableSchema& table, const QByteArray& row)
{
    const Reader bytes(row);
    const int columnCount = bytes.byte(0);
    const qsizetype maskSize = (columnCount + 7) / 8;
    const qsizetype end = row.size() - 1;  // the last byte, as the offsets count
    const auto present = [&](int number) {
        return number < columnCount && ((bytes.byte(row.size() - maskSize + number / 8) >> (number % 8)) & 1) != 0;
    };
    std::vector<int> variableStarts;
    if (table.layout.variableCount > 0) {
        const int variables = bytes.byte(end - maskSize);
        int jumps = static_cast<int>(row.size() - 1) / 256;
        const qsizetype offsetsEnd = end - maskSize - jumps - 1;
        // A row one short of the jump it would need keeps an extra one the readers skip.
        if ((offsetsEnd - variables) / 256 < jumps)
            --jumps;
        int jumpsUsed = 0;
        for (int i = 0; i <= variables; ++i) {
            while (jumpsUsed < jumps && i == bytes.byte(end - maskSize - jumpsUsed - 1))
                ++jumpsUsed;
            variableStarts.push_back(bytes.byte(offsetsEnd - i) + 256 * jumpsUsed);
        }
    }
    std::vector<Variant> values;
    for (const SchemaColumn& column : table.columns) {
        const ColumnPlacement& place = column.placement;
        if (column.typeCode == kBooleanTypeCode) {
            values.emplace_back(present(place.number) ? 1 : 0);
            continue;
        }
        if (!present(place.number)) {
            values.emplace_back();
            continue;
        }
        QByteArray value;
        if (place.fixedOffset >= 0) {
            value = bytes.bytes(1 + place.fixedOffset, place.fixedSize);
        } else {
            if (place.variableIndex + 1 >= static_cast<int>(variableStarts.size()))
                throw Jet3ReadError("a variable-length column past the row's offsets");
            const int start = variableStarts[place.variableIndex];
            value = bytes.bytes(start, variableStarts[place.variableIndex + 1] - start);
        }
        const char* data = value.constData();
        switch (column.column.type) {
            case JetColumnType::Byte: values.emplace_back(static_cast<quint8>(data[0])); break;
            case JetColumnType::Integer: values.emplace_back(qFromLittleEndian<qint16>(data)); break;
            case JetColumnType::LongInteger: values.emplace_back(qFromLittleEndian<qint32>(data)); break;
            case JetColumnType::Double:
            case JetColumnType::DateTime: values.emplace_back(qFromLittleEndian<double>(data)); break;
            case JetColumnType::Text: values.emplace_back(FromCodePage(value)); break;
            default: values.emplace_back(); break;
        }
    }
    return values;
}

}  // namespace

Jet3Tables::Jet3Tables(QByteArray bytes) : bytes_(std::move(bytes))
{
    if (bytes_.size() % kJet3PageSize != 0 || pageCount() <= kCatalogDefinitionPage)
        throw Jet3ReadError("not a whole number of 2048-byte pages");
}

QByteArray Jet3Tables::page(quint32 number) const
{
    if (number >= pageCount())
        throw Jet3ReadError("a page past the end of the file");
    return bytes_.mid(static_cast<qsizetype>(number) * kJet3PageSize, kJet3PageSize);
}

std::map<QString, quint32> Jet3Tables::tables() const
{
    const JetTableSchema catalog = schema(kCatalogDefinitionPage, QStringLiteral("MSysObjects"));
    const int name = catalog.columnNamed(QStringLiteral("Name"));
    const int type = catalog.columnNamed(QStringLiteral("Type"));
    const int id = catalog.columnNamed(QStringLiteral("Id"));
    if (name < 0 || type < 0 || id < 0)
        throw Jet3ReadError("the catalog lacks Name, Type or Id");
    std::map<QString, quint32> found;
    for (const Jet3Row& row : rows(catalog)) {
        const std::vector<Variant>& values = row.second;
        if (values[type] != Variant(1) || values[name].type() != Variant::Type::Text)
            continue;
        if (values[id].type() != Variant::Type::Integer)
            throw Jet3ReadError("a table's Id in the catalog is not a whole number");
        found[values[name].text()] = static_cast<quint32>(values[id].integer()) & 0xffffff;
    }
    return found;
}

JetTableSchema Jet3Tables::schema(quint32 first, const QString& name) const
{
    QByteArray joined = page(first);
    if (static_cast<quint8>(joined[0]) != kTableDefinitionPageType)
        throw Jet3ReadError("not a table definition page");
    for (quint32 next = qFromLittleEndian<quint32>(joined.constData() + kDefinitionNextPageOffset), hops = 0; next != 0;
         ++hops) {
        if (hops > pageCount())
            throw Jet3ReadError("a definition's pages run in a circle");
        const QByteArray continuation = page(next);
        joined += continuation.mid(kContinuationHeaderSize);
        next = qFromLittleEndian<quint32>(continuation.constData() + kDefinitionNextPageOffset);
    }
    const Reader definition(joined);
    JetTableSchema schema;
    schema.name = name;
    schema.definitionPage = first;
    schema.rowCount = definition.number<quint32>(kJet3DefinitionRowCountOffset);
    schema.usageMap = definition.number<quint32>(kJet3TableUsageMapOffset);
    schema.freeSpaceMap = definition.number<quint32>(kJet3TableFreeSpaceMapOffset);
    const int columnCount = definition.number<quint16>(kJet3ColumnCountOffset);
    const quint32 logicalCount = definition.number<quint32>(kJet3LogicalIndexCountOffset);
    const quint32 realCount = definition.number<quint32>(kJet3RealIndexCountOffset);
    if (realCount > kMaxIndexes || logicalCount > kMaxIndexes)
        throw Jet3ReadError("more indexes than Jet allows");
    qsizetype at = kJet3DefinitionHeaderSize + kJet3IndexCountsSize * realCount;
    for (int i = 0; i < columnCount; ++i, at += kJet3ColumnDescriptorSize)
        schema.columns.push_back(ReadColumn(definition, at));
    for (SchemaColumn& column : schema.columns) {
        column.column.name = definition.name(at);
        schema.definition.columns.push_back(column.column);
        if (column.placement.variableIndex >= 0)
            ++schema.layout.variableCount;
    }
    schema.definition.name = name;
    for (quint32 i = 0; i < realCount; ++i, at += kJet3RealIndexSize)
        schema.indexes.push_back(
            ReadRealIndex(definition, at, schema, kJet3DefinitionHeaderSize + kJet3IndexCountsSize * i));
    for (quint32 i = 0; i < logicalCount; ++i, at += kJet3LogicalIndexSize) {
        const quint32 real = definition.number<quint32>(at + kJet3LogicalIndexRealOffset);
        if (real >= realCount)
            throw Jet3ReadError("a logical index names no real one");
        SchemaLogicalIndex logical;
        logical.realIndex = static_cast<int>(real);
        if (definition.byte(at + kJet3LogicalIndexKindOffset) == kPrimaryKeyIndex)
            schema.indexes[real].primaryKey = true;
        schema.logicalIndexes.push_back(logical);
    }
    for (SchemaLogicalIndex& logical : schema.logicalIndexes)
        logical.name = definition.name(at);
    return schema;
}

std::vector<Jet3Row> Jet3Tables::rows(const JetTableSchema& table) const
{
    const auto rowBytes = [this](const QByteArray& page, int row) {
        const Reader header(page);
        const int count = header.number<quint16>(kJet3DataPageRowCountOffset);
        if (row >= count)
            throw Jet3ReadError("a row past its page's count");
        const int start = header.number<quint16>(kJet3DataPageHeaderSize + kRowOffsetEntrySize * row) & kRowOffsetMask;
        const int end = row == 0
            ? kJet3PageSize
            : header.number<quint16>(kJet3DataPageHeaderSize + kRowOffsetEntrySize * (row - 1)) & kRowOffsetMask;
        if (start >= end)
            throw Jet3ReadError("a row outside its page");
        return page.mid(start, end - start);
    };
    std::vector<Jet3Row> found;
    for (quint32 number = 1; number < pageCount(); ++number) {
        const QByteArray data = page(number);
        if (static_cast<quint8>(data[0]) != kDataPageType
            || qFromLittleEndian<quint32>(data.constData() + kDataPageOwnerOffset) != table.definitionPage)
            continue;
        const int count = qFromLittleEndian<quint16>(data.constData() + kJet3DataPageRowCountOffset);
        for (int row = 0; row < count; ++row) {
            const quint16 offset =
                qFromLittleEndian<quint16>(data.constData() + kJet3DataPageHeaderSize + kRowOffsetEntrySize * row);
            if ((offset & kDeletedRowFlag) != 0)
                continue;
            QByteArray bytes = rowBytes(data, row);
            if ((offset & kOverflowRowFlag) != 0) {
                // Only where the row lies now: its number, then its page in three bytes.
                const quint32 pointer = Reader(bytes).number<quint32>(0);
                bytes = rowBytes(page(PageOfPointer(pointer)), RowOfPointer(pointer));
            }
            found.emplace_back(RowLocation{number, row}, RowValues(table, bytes));
        }
    }
    return found;
}
