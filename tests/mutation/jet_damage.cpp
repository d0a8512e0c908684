#include "jet_damage.h"

#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/database_header.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/table_definition_page.h"
#include "platform/database/jet/format/usage_map.h"

#include <QStringList>
#include <QtEndian>
#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Where the fields this file damages lie, by format.
struct Layout {
    qsizetype pageSize;
    qsizetype columnCount;  // 16 bits, in a table definition
    qsizetype indexCount;   // 32 bits: the index entries before the columns
    qsizetype usageMap;     // 32-bit row pointer to the table's page map
    qsizetype firstColumn;  // where the column descriptors start, before the index entries
    qsizetype indexEntrySize;
    qsizetype columnSize;
    qsizetype rowCount;  // 16 bits, on a data page; the row offsets follow
};

// The writers know only Jet 4; the Jet 3 figures are the harness's own.
constexpr Layout kJet3{2048, 25, 31, 35, 43, 8, 18, 8};
constexpr Layout kJet4{
    kPageSize,        kColumnCountOffset,    kRealIndexCountOffset,  kTableUsageMapOffset, kDefinitionHeaderSize,
    kIndexCountsSize, kColumnDescriptorSize, kDataPageRowCountOffset};

// The header's version byte names the format: 0 for Jet 3.
const Layout& LayoutOf(const QByteArray& file)
{
    return file.size() > kVersionOffset && file.at(kVersionOffset) == 0 ? kJet3 : kJet4;
}

class Damager {
public:
    Damager(QByteArray& file, std::mt19937_64& random) : file_(file), random_(random), layout_(LayoutOf(file)) {}

    QString apply(Damage damage)
    {
        if (file_.isEmpty())
            return QStringLiteral("file vuoto, nulla da danneggiare");
        switch (damage) {
            case Damage::FlippedBits: return flipBits(0, file_.size(), pick(1, 8));
            case Damage::RandomBytes: return randomBytes();
            case Damage::ZeroedPage: return zeroPage();
            case Damage::DuplicatedPage: return duplicatePage();
            case Damage::Cut: return cut();
            case Damage::TableDefinition: return tableDefinition();
            case Damage::ColumnType: return columnType();
            case Damage::UsageMap: return usageMap();
            case Damage::RowData: return rowData();
        }
        return {};
    }

private:
    qsizetype pick(qsizetype low, qsizetype high)  // inclusive
    {
        return std::uniform_int_distribution<qsizetype>(low, high)(random_);
    }
    char randomByte() { return static_cast<char>(pick(0, 255)); }
    qsizetype pages() const { return file_.size() / layout_.pageSize; }
    qsizetype pageStart(qsizetype page) const { return page * layout_.pageSize; }

    quint32 read32(qsizetype at) const
    {
        return at + 4 <= file_.size() ? qFromLittleEndian<quint32>(file_.constData() + at) : 0;
    }
    quint16 read16(qsizetype at) const
    {
        return at + 2 <= file_.size() ? qFromLittleEndian<quint16>(file_.constData() + at) : 0;
    }

    std::optional<qsizetype> randomPageOfType(quint8 type)
    {
        std::vector<qsizetype> found;
        for (qsizetype page = 1; page < pages(); ++page) {
            if (static_cast<quint8>(file_.at(pageStart(page))) == type)
                found.push_back(page);
        }
        if (found.empty())
            return std::nullopt;
        return found[static_cast<size_t>(pick(0, static_cast<qsizetype>(found.size()) - 1))];
    }

    QString flipBits(qsizetype from, qsizetype to, qsizetype count)
    {
        QStringList places;
        for (qsizetype i = 0; i < count && from < to; ++i) {
            const qsizetype at = pick(from, to - 1);
            const int bit = static_cast<int>(pick(0, 7));
            file_[at] = static_cast<char>(file_.at(at) ^ (1 << bit));
            places.append(QStringLiteral("%1.%2").arg(at).arg(bit));
        }
        return QStringLiteral("bit invertiti a %1").arg(places.join(QStringLiteral(", ")));
    }

    QString randomBytes()
    {
        const qsizetype at = pick(0, file_.size() - 1);
        const qsizetype count = std::min(pick(1, 32), file_.size() - at);
        for (qsizetype i = 0; i < count; ++i)
            file_[at + i] = randomByte();
        return QStringLiteral("%1 byte casuali da %2").arg(count).arg(at);
    }

    QString zeroPage()
    {
        if (pages() < 2)
            return flipBits(0, file_.size(), 1);
        const qsizetype page = pick(1, pages() - 1);
        std::fill(file_.begin() + pageStart(page), file_.begin() + pageStart(page + 1), '\0');
        return QStringLiteral("pagina %1 azzerata").arg(page);
    }

    QString duplicatePage()
    {
        if (pages() < 3)
            return flipBits(0, file_.size(), 1);
        const qsizetype from = pick(1, pages() - 1);
        qsizetype to = pick(1, pages() - 2);
        if (to >= from)
            ++to;
        const QByteArray copy = file_.mid(pageStart(from), layout_.pageSize);
        file_.replace(pageStart(to), layout_.pageSize, copy);
        return QStringLiteral("pagina %1 copiata sulla pagina %2").arg(from).arg(to);
    }

    QString cut()
    {
        // Mostly at a page boundary, which the reader cannot refuse on sight.
        const qsizetype length =
            pick(0, 3) == 0 || pages() < 2 ? pick(0, file_.size() - 1) : pageStart(pick(1, pages() - 1));
        file_.truncate(length);
        return QStringLiteral("file troncato a %1 byte").arg(length);
    }

    // The header and column descriptors of a table definition page.
    QString tableDefinition()
    {
        const std::optional<qsizetype> page = randomPageOfType(kTableDefinitionPageType);
        if (!page)
            return flipBits(0, file_.size(), 2);
        const qsizetype start = pageStart(*page);
        const qsizetype columnsEnd = layout_.firstColumn + layout_.indexEntrySize * read32(start + layout_.indexCount)
            + layout_.columnSize * read16(start + layout_.columnCount);
        const qsizetype end = start + std::clamp<qsizetype>(columnsEnd, layout_.firstColumn, layout_.pageSize);
        return QStringLiteral("definizione di tabella a pagina %1: %2")
            .arg(*page)
            .arg(flipBits(start + 8, end, pick(1, 4)));
    }

    QString columnType()
    {
        const std::optional<qsizetype> page = randomPageOfType(kTableDefinitionPageType);
        if (!page)
            return flipBits(0, file_.size(), 1);
        const qsizetype start = pageStart(*page);
        const qsizetype columns = read16(start + layout_.columnCount);
        const qsizetype first = layout_.firstColumn + layout_.indexEntrySize * read32(start + layout_.indexCount);
        if (columns == 0 || first + layout_.columnSize * columns > layout_.pageSize)
            return tableDefinition();
        const qsizetype column = pick(0, columns - 1);
        const qsizetype at = start + first + layout_.columnSize * column;
        // The known types are 1 to 18; beyond them libmdb knows nothing.
        const char type = pick(0, 3) == 0 ? randomByte() : static_cast<char>(pick(0, 18));
        const int was = static_cast<unsigned char>(file_.at(at));
        file_[at] = type;
        return QStringLiteral("tipo della colonna %1 a pagina %2: da %3 a %4")
            .arg(column)
            .arg(*page)
            .arg(was)
            .arg(static_cast<unsigned char>(type));
    }

    // The row a row pointer names, as [begin, end) in the file.
    std::optional<std::pair<qsizetype, qsizetype>> row(quint32 pointer)
    {
        const qsizetype page = PageOfPointer(pointer);
        const qsizetype number = RowOfPointer(pointer);
        if (page <= 0 || page >= pages())
            return std::nullopt;
        const qsizetype start = pageStart(page);
        const qsizetype offsets = start + layout_.rowCount + kRowOffsetEntrySize;
        if (number >= read16(start + layout_.rowCount))
            return std::nullopt;
        const qsizetype begin = read16(offsets + kRowOffsetEntrySize * number) & kRowOffsetMask;
        const qsizetype end =
            number == 0 ? layout_.pageSize : (read16(offsets + kRowOffsetEntrySize * (number - 1)) & kRowOffsetMask);
        if (begin >= end || end > layout_.pageSize)
            return std::nullopt;
        return std::make_pair(start + begin, start + end);
    }

    QString usageMap()
    {
        const std::optional<qsizetype> page = randomPageOfType(kTableDefinitionPageType);
        if (!page)
            return flipBits(0, file_.size(), 1);
        const auto map = row(read32(pageStart(*page) + layout_.usageMap));
        if (!map)
            return tableDefinition();
        // The first byte tells an inline bitmap from a list of map pages, the next four the first page.
        const qsizetype end = pick(0, 1) == 0 ? std::min(map->first + kInlineBitmapOffset, map->second) : map->second;
        return QStringLiteral("mappa delle pagine della tabella a pagina %1: %2")
            .arg(*page)
            .arg(flipBits(map->first, end, pick(1, 3)));
    }

    QString rowData()
    {
        const std::optional<qsizetype> page = randomPageOfType(kDataPageType);
        if (!page)
            return flipBits(0, file_.size(), 1);
        const qsizetype start = pageStart(*page);
        const qsizetype rows = read16(start + layout_.rowCount);
        if (rows == 0 || pick(0, 4) == 0) {
            // The row count or the offsets that place the rows.
            const qsizetype end = std::min(start + layout_.rowCount + 2 + 2 * rows, start + layout_.pageSize);
            return QStringLiteral("posizione delle righe a pagina %1: %2")
                .arg(*page)
                .arg(flipBits(start + layout_.rowCount, end, 1));
        }
        const qsizetype number = pick(0, rows - 1);
        const auto place = row(RowPointer(static_cast<quint32>(*page), static_cast<int>(number)));
        if (!place)
            return flipBits(start, start + layout_.pageSize, 1);
        return QStringLiteral("riga %1 della pagina %2: %3")
            .arg(number)
            .arg(*page)
            .arg(flipBits(place->first, place->second, pick(1, 3)));
    }

    QByteArray& file_;
    std::mt19937_64& random_;
    const Layout& layout_;
};

}  // namespace

QString ApplyDamage(QByteArray& file, Damage damage, std::mt19937_64& random)
{
    return Damager(file, random).apply(damage);
}
