#include "platform/database/jet/in_place/index_key.h"

#include "platform/database/jet/format/index_page.h"
#include "platform/database/jet/in_place/general_sort_order.h"

#include <QtEndian>
#include <cstring>

namespace {

constexpr char kAscendingNull = '\x00';
constexpr char kAscendingValue = '\x7f';
constexpr char kDescendingNull = '\xff';
constexpr char kDescendingValue = '\x80';

// Two's complement integers sort as unsigned once the sign bit is flipped.
template <typename T>
void AppendInteger(QByteArray& key, T value)
{
    char bytes[sizeof(T)];
    qToBigEndian(value, bytes);
    bytes[0] = static_cast<char>(bytes[0] ^ 0x80);
    key.append(bytes, sizeof(T));
}

// IEEE doubles sort as unsigned once a positive one has its sign bit
// flipped and a negative one all its bits.
void AppendDouble(QByteArray& key, double value)
{
    char bytes[sizeof(double)];
    qToBigEndian(value, bytes);
    if ((static_cast<quint8>(bytes[0]) & 0x80) != 0) {
        for (char& byte : bytes)
            byte = static_cast<char>(~byte);
    } else {
        bytes[0] = static_cast<char>(bytes[0] ^ 0x80);
    }
    key.append(bytes, sizeof(double));
}

// Appends the value's bytes in an order that compares as the values do;
// false when the value cannot be keyed here. Built in place, since every
// inserted row is keyed.
bool AppendValueBytes(QByteArray& key, const SchemaColumn& column, const Variant& value, JetVersion version)
{
    switch (column.column.type) {
        case JetColumnType::Byte: key.append(static_cast<char>(value.integer())); return true;  // unsigned already
        case JetColumnType::Integer: AppendInteger(key, static_cast<qint16>(value.integer())); return true;
        case JetColumnType::LongInteger: AppendInteger(key, static_cast<qint32>(value.integer())); return true;
        case JetColumnType::Double:
        case JetColumnType::DateTime:
            AppendDouble(key,
                         value.type() == Variant::Type::Integer ? static_cast<double>(value.integer()) : value.real());
            return true;
        case JetColumnType::Text: {
            const std::optional<QByteArray> text = GeneralSortKey(value.text(), version);
            if (text)
                key.append(*text);
            return text.has_value();
        }
        default: return false;
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
    key.reserve(32);  // one allocation for the keys of numbers and short texts
    for (const IndexColumn& indexed : index.columns) {
        const Variant& value = values[indexed.column];
        if (value.isNull()) {
            key.append(indexed.ascending ? kAscendingNull : kDescendingNull);
            continue;
        }
        key.append(indexed.ascending ? kAscendingValue : kDescendingValue);
        const qsizetype start = key.size();
        if (!AppendValueBytes(key, table.columns[indexed.column], value, version))
            return std::nullopt;
        if (!indexed.ascending) {
            for (qsizetype i = start; i < key.size(); ++i)
                key[i] = static_cast<char>(~key[i]);
        }
    }
    return key;
}

QByteArray LeafEntry(const QByteArray& key, quint32 page, int row)
{
    QByteArray entry(key.size() + kLeafEntryTrailer, Qt::Uninitialized);
    std::memcpy(entry.data(), key.constData(), static_cast<std::size_t>(key.size()));
    char* place = entry.data() + key.size();
    place[0] = static_cast<char>((page >> 16) & 0xff);
    place[1] = static_cast<char>((page >> 8) & 0xff);
    place[2] = static_cast<char>(page & 0xff);
    place[3] = static_cast<char>(row);
    return entry;
}
