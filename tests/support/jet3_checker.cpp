#include "support/jet3_checker.h"

#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/usage_map.h"
#include "platform/database/jet/in_place/index_key.h"
#include "support/index_tree_check.h"
#include "support/jet3_tables.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace {

constexpr qsizetype kPage = kJet3PageSize;
constexpr qsizetype kTableUsageMap = 35;  // in a Jet 3 definition
constexpr qsizetype kTableFreeSpaceMap = 39;

struct Extent {
    qsizetype start = 0;
    qsizetype end = 0;
};

class Jet3Checker {
public:
    explicit Jet3Checker(QByteArray bytes) : bytes_(std::move(bytes)) {}

    QStringList run()
    {
        if (bytes_.size() % kPage != 0 || pageCount() < 3)
            return {QStringLiteral("not a whole number of 2048-byte pages")};
        if (bytes_.mid(4, 15) != QByteArray("Standard Jet DB") || byte(0, 0x14) != 0)
            return {QStringLiteral("not a Jet 3 file")};
        if (!rowOf(kGlobalUsageMapPage, 0, QStringLiteral("the file's page map")))
            return problems_;
        claim(0);
        claim(kGlobalUsageMapPage);
        std::map<quint32, std::set<quint32>> pagesOfOwner;
        for (quint32 number = 2; number < pageCount(); ++number) {
            if (byte(number, 0) != kDataPageType || markedFree(number))
                continue;
            checkRows(number);
            // A page of long values (Memo, OLE) names no table there; their
            // maps are not walked here.
            if (QByteArray(at(number, kDataPageOwnerOffset), 4) == "LVAL")
                continue;
            const quint32 owner = word32(number, kDataPageOwnerOffset);
            if (owner > 1)
                pagesOfOwner[owner].insert(number);
        }
        for (const auto& [definition, pages] : pagesOfOwner)
            checkTable(definition, pages);
        checkIndexes();
        for (const quint32 number : claimed_) {
            if (markedFree(number))
                problem(QStringLiteral("page %1 is free in the file's page map, or not covered by it").arg(number));
        }
        for (quint32 number = pageCount(); number < globalMapEnd(); ++number) {
            if (!markedFree(number))
                problem(
                    QStringLiteral("page %1, past the end of the file, is used in the file's page map").arg(number));
        }
        return problems_;
    }

private:
    quint32 pageCount() const { return static_cast<quint32>(bytes_.size() / kPage); }
    const char* at(quint32 page, qsizetype offset) const { return bytes_.constData() + page * kPage + offset; }
    quint8 byte(quint32 page, qsizetype offset) const { return static_cast<quint8>(*at(page, offset)); }
    quint16 word16(quint32 page, qsizetype offset) const { return qFromLittleEndian<quint16>(at(page, offset)); }
    quint32 word32(quint32 page, qsizetype offset) const { return qFromLittleEndian<quint32>(at(page, offset)); }
    bool bit(quint32 page, qsizetype offset, quint32 index) const
    {
        return ((byte(page, offset + index / 8) >> (index % 8)) & 1) != 0;
    }
    void problem(const QString& text) { problems_.append(text); }
    void claim(quint32 page) { claimed_.insert(page); }

    int rowCount(quint32 page) const { return word16(page, kJet3DataPageRowCountOffset); }
    qsizetype rowStart(quint32 page, int row) const
    {
        return word16(page, kJet3DataPageHeaderSize + kRowOffsetEntrySize * row) & kRowOffsetMask;
    }

    std::optional<Extent> rowOf(quint32 page, int row, const QString& what)
    {
        if (page >= pageCount() || byte(page, 0) != kDataPageType || row >= rowCount(page)) {
            problem(QStringLiteral("%1: no row %2 on page %3").arg(what).arg(row).arg(page));
            return std::nullopt;
        }
        const Extent extent{rowStart(page, row), row == 0 ? kPage : rowStart(page, row - 1)};
        if (extent.start < kJet3DataPageHeaderSize + kRowOffsetEntrySize * rowCount(page)
            || extent.start > extent.end) {
            problem(QStringLiteral("%1: row %2 of page %3 lies outside its page").arg(what).arg(row).arg(page));
            return std::nullopt;
        }
        return extent;
    }

    void checkRows(quint32 page)
    {
        const int rows = rowCount(page);
        if (rows > kMaxRowsPerPage) {
            problem(QStringLiteral("page %1 holds %2 rows").arg(page).arg(rows));
            return;
        }
        qsizetype lowest = kPage;
        std::vector<std::pair<qsizetype, qsizetype>> extents;
        for (int row = 0; row < rows; ++row) {
            const std::optional<Extent> extent = rowOf(page, row, QStringLiteral("data page"));
            if (!extent)
                return;
            lowest = std::min(lowest, extent->start);
            extents.emplace_back(extent->start, extent->end);
        }
        std::sort(extents.begin(), extents.end());
        for (std::size_t i = 1; i < extents.size(); ++i) {
            if (extents[i].first < extents[i - 1].second)
                problem(QStringLiteral("rows overlap on page %1").arg(page));
        }
        const qsizetype actual = lowest - (kJet3DataPageHeaderSize + kRowOffsetEntrySize * rows);
        if (word16(page, kDataPageFreeSpaceOffset) != actual)
            problem(QStringLiteral("page %1 says %2 bytes free, it has %3")
                        .arg(page)
                        .arg(word16(page, kDataPageFreeSpaceOffset))
                        .arg(actual));
    }

    // The pages a map row lists; its own page and bitmap pages claimed.
    std::optional<std::set<quint32>> pagesInMap(quint32 pointer, const QString& what)
    {
        const quint32 page = PageOfPointer(pointer);
        const std::optional<Extent> row = rowOf(page, RowOfPointer(pointer), what);
        if (!row || row->end - row->start < kInlineBitmapOffset) {
            problem(QStringLiteral("%1: no map at %2").arg(what).arg(pointer));
            return std::nullopt;
        }
        claim(page);
        std::set<quint32> pages;
        if (byte(page, row->start) == kInlineMap) {
            const quint32 first = word32(page, row->start + kInlineFirstPageOffset);
            for (quint32 i = 0; i < (row->end - row->start - kInlineBitmapOffset) * 8; ++i) {
                if (bit(page, row->start + kInlineBitmapOffset, i))
                    pages.insert(first + i);
            }
            return pages;
        }
        for (qsizetype slot = 0; kReferenceSlotsOffset + kReferenceSlotSize * (slot + 1) <= row->end - row->start;
             ++slot) {
            const quint32 bitmap = word32(page, row->start + kReferenceSlotsOffset + kReferenceSlotSize * slot);
            if (bitmap == 0)
                continue;
            if (bitmap >= pageCount() || byte(bitmap, 0) != kUsageBitmapPageType) {
                problem(QStringLiteral("%1: map page %2 is not a bitmap page").arg(what).arg(bitmap));
                continue;
            }
            claim(bitmap);
            for (quint32 i = 0; i < kJet3PagesPerBitmapPage; ++i) {
                if (bit(bitmap, kBitmapPageBitmapOffset, i))
                    pages.insert(static_cast<quint32>(slot) * kJet3PagesPerBitmapPage + i);
            }
        }
        return pages;
    }

    void checkTable(quint32 definition, const std::set<quint32>& owned)
    {
        const QString what = QStringLiteral("table on page %1").arg(definition);
        if (definition >= pageCount() || byte(definition, 0) != kTableDefinitionPageType
            || QByteArray(at(definition, 2), 2) != "VC") {
            problem(QStringLiteral("%1: not a Jet 3 table definition").arg(what));
            return;
        }
        claim(definition);
        for (const quint32 page : owned)
            claim(page);
        const auto listed = pagesInMap(word32(definition, kTableUsageMap), what);
        const auto withRoom = pagesInMap(word32(definition, kTableFreeSpaceMap), what);
        if (listed && *listed != owned)
            problem(QStringLiteral("%1: its map lists %2 pages, it owns %3")
                        .arg(what)
                        .arg(listed->size())
                        .arg(owned.size()));
        if (listed && withRoom && !std::includes(listed->begin(), listed->end(), withRoom->begin(), withRoom->end()))
            problem(QStringLiteral("%1: a page with free space is not the table's").arg(what));
    }

    // Every index of every table the catalog lists, empty tables too.
    void checkIndexes()
    {
        try {
            const Jet3Tables tables(bytes_);
            for (const auto& [name, definition] : tables.tables()) {
                const JetTableSchema schema = tables.schema(definition, name);
                claim(definition);
                if (schema.indexes.empty())
                    continue;
                const std::vector<Jet3Row> rows = tables.rows(schema);
                if (rows.size() != schema.rowCount)
                    problem(QStringLiteral("%1: %2 live rows, the definition says %3")
                                .arg(name)
                                .arg(rows.size())
                                .arg(schema.rowCount));
                for (std::size_t i = 0; i < schema.indexes.size(); ++i)
                    checkIndex(tables, schema, schema.indexes[i], QStringLiteral("%1 index %2").arg(name).arg(i), rows);
            }
        } catch (const Jet3ReadError& error) {
            problem(QStringLiteral("the tables cannot be read: %1").arg(QString::fromUtf8(error.what())));
        }
    }

    void checkIndex(const Jet3Tables& tables, const JetTableSchema& table, const SchemaIndex& index,
                    const QString& where, const std::vector<Jet3Row>& rows)
    {
        const IndexTreeContents tree =
            WalkIndexTree([&tables](quint32 page) { return tables.page(page); }, pageCount(), table.definitionPage,
                          index.rootPage, JetVersion::Jet3, where, problems_);
        for (const quint32 page : tree.pages)
            claim(page);
        if (const auto mapped = pagesInMap(index.usageMap, where)) {
            std::set<quint32> expected(tree.pages.begin(), tree.pages.end());
            std::set<quint32> listed = *mapped;
            listed.insert(index.rootPage);
            if (listed != expected)
                problem(QStringLiteral("%1: the index's map lists %2 pages, the tree has %3")
                            .arg(where)
                            .arg(listed.size())
                            .arg(expected.size()));
        }
        // The values of the types keyed nowhere here (Currency, Single, GUID,
        // Boolean) are not read: each row needs one entry of any key then.
        ExpectedIndexEntries expected;
        if (UnkeyableIndexReason(table, index, JetVersion::Jet3).isEmpty()) {
            expected = IndexEntriesOfRows(table, index, rows, JetVersion::Jet3);
        } else if (!index.ignoresNulls()) {
            for (const auto& [location, values] : rows)
                expected.unkeyed.push_back(location);
        } else {
            return;
        }
        CompareIndexEntries(tree.leaves, expected, where, problems_);
    }

    Extent globalRow() const { return {rowStart(kGlobalUsageMapPage, 0), kPage}; }

    bool markedFree(quint32 number) const
    {
        const Extent row = globalRow();
        if (byte(kGlobalUsageMapPage, row.start) == kInlineMap) {
            const quint32 first = word32(kGlobalUsageMapPage, row.start + kInlineFirstPageOffset);
            const auto covered = static_cast<quint32>(row.end - row.start - kInlineBitmapOffset) * 8;
            return number < first || number - first >= covered
                || bit(kGlobalUsageMapPage, row.start + kInlineBitmapOffset, number - first);
        }
        const qsizetype slot = number / kJet3PagesPerBitmapPage;
        if (kReferenceSlotsOffset + kReferenceSlotSize * (slot + 1) > row.end - row.start)
            return true;
        const quint32 bitmap =
            word32(kGlobalUsageMapPage, row.start + kReferenceSlotsOffset + kReferenceSlotSize * slot);
        return bitmap == 0 || bitmap >= pageCount()
            || bit(bitmap, kBitmapPageBitmapOffset, number % kJet3PagesPerBitmapPage);
    }

    quint32 globalMapEnd() const
    {
        const Extent row = globalRow();
        if (byte(kGlobalUsageMapPage, row.start) == kInlineMap)
            return word32(kGlobalUsageMapPage, row.start + kInlineFirstPageOffset)
                + static_cast<quint32>(row.end - row.start - kInlineBitmapOffset) * 8;
        return static_cast<quint32>((row.end - row.start - kReferenceSlotsOffset) / kReferenceSlotSize)
            * kJet3PagesPerBitmapPage;
    }

    QByteArray bytes_;
    QStringList problems_;
    std::set<quint32> claimed_;
};

}  // namespace

QStringList CheckJet3Pages(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot open %1").arg(path)};
    return Jet3Checker(file.readAll()).run();
}
