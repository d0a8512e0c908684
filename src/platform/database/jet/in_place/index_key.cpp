#include "platform/database/jet/in_place/index_key.h"

#include "platform/database/jet/in_place/general_sort_order.h"

#include <QtEndian>
#include <cstring>

namespace {

constexpr char kAscendingNull = '\x00';
constexpr char kAscendingValue = '\x7f';
constexpr char kDescendingNull = '\xff';
constexpr char kDescendingValue = '\x80';

template <typename T>
QByteArray BigEndian(T value)
{
    QByteArray bytes(sizeof(T), '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

void FlipFirstBit(QByteArray& bytes)
{
    bytes[0] = static_cast<char>(bytes[0] ^ 0x80);
}

// Two's complement integers sort as unsigned once the sign bit is flipped.
QByteArray IntegerBytes(const SchemaColumn& column, qint64 value)
{
    QByteArray bytes;
    switch (column.column.type) {
        case JetColumnType::Byte: return QByteArray(1, static_cast<char>(value));  // unsigned already
        case JetColumnType::Integer: bytes = BigEndian(static_cast<qint16>(value)); break;
        default: bytes = BigEndian(static_cast<qint32>(value)); break;
    }
    FlipFirstBit(bytes);
    return bytes;
}

// IEEE doubles sort as unsigned once a positive one has its sign bit
// flipped and a negative one all its bits.
QByteArray DoubleBytes(double value)
{
    QByteArray bytes = BigEndian(value);
    if ((static_cast<quint8>(bytes[0]) & 0x80) != 0) {
        for (char& byte : bytes)
            byte = static_cast<char>(~byte);
    } else {
        FlipFirstBit(bytes);
    }
    return bytes;
}

std::optional<QByteArray> ValueBytes(const SchemaColumn& column, const Variant& value, JetVersion version)
{
    switch (column.column.type) {
        case JetColumnType::Byte:
        case JetColumnType::Integer:
        case JetColumnType::LongInteger: return IntegerBytes(column, value.integer());
        case JetColumnType::Double:
        case JetColumnType::DateTime:
            return DoubleBytes(value.type() == Variant::Type::Integer ? static_cast<double>(value.integer())
                                                                      : value.real());
        case JetColumnType::Text: return GeneralSortKey(value.text(), version);
        default: return std::nullopt;
    }
}

}  // namespace

QString UnkeyableIndexReason(const JetTableSchema& table, const SchemaIndex& index, JetVersion version)
{
    for (const IndexColumn& indexed : index.columns) {
        const SchemaColumn& column = table.columns[indexed.column];
        switch (column.column.type) {
            case JetColumnType::Byte:
            case JetColumnType::Integer:
            case JetColumnType::LongInteger:
            case JetColumnType::Double:
            case JetColumnType::DateTime: break;
            case JetColumnType::Text:
                // No Access-made Jet 4 file here has one to check the inverted form against.
                if (!indexed.ascending && version == JetVersion::Jet4)
                    return QStringLiteral("la colonna di testo '%1' è indicizzata in ordine decrescente")
                        .arg(column.column.name);
                if (column.sortOrder != kGeneralSortOrderId)
                    return QStringLiteral("la colonna '%1' ha un ordinamento diverso da quello generale (%2)")
                        .arg(column.column.name)
                        .arg(column.sortOrder, 4, 16, QLatin1Char('0'));
                break;
            default:
                return QStringLiteral("la colonna '%1' è di un tipo che lo strumento non indicizza")
                    .arg(column.column.name);
        }
    }
    return {};
}

std::optional<QByteArray> IndexKey(const JetTableSchema& table, const SchemaIndex& index,
                                   const std::vector<Variant>& values, JetVersion version)
{
    QByteArray key;
    for (const IndexColumn& indexed : index.columns) {
        const Variant& value = values[indexed.column];
        if (value.isNull()) {
            key.append(indexed.ascending ? kAscendingNull : kDescendingNull);
            continue;
        }
        std::optional<QByteArray> bytes = ValueBytes(table.columns[indexed.column], value, version);
        if (!bytes)
            return std::nullopt;
        key.append(indexed.ascending ? kAscendingValue : kDescendingValue);
        if (!indexed.ascending) {
            for (char& byte : *bytes)
                byte = static_cast<char>(~byte);
        }
        key.append(*bytes);
    }
    return key;
}

QByteArray LeafEntry(const QByteArray& key, quint32 page, int row)
{
    QByteArray entry = key;
    entry.append(static_cast<char>((page >> 16) & 0xff));
    entry.append(static_cast<char>((page >> 8) & 0xff));
    entry.append(static_cast<char>(page & 0xff));
    entry.append(static_cast<char>(row));
    return entry;
}
