#include "support/jet_checker.h"

#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/database_header.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/usage_map.h"
#include "platform/database/jet/in_place/page_file.h"
#include "platform/database/jet/in_place/table_rows.h"
#include "platform/database/jet/in_place/table_schema.h"
#include "platform/database/jet/in_place/usage_map_editor.h"
#include "platform/runtime/runtime_error.h"
#include "support/index_tree_check.h"

#include <QFile>
#include <QSet>
#include <QtEndian>
#include <map>

namespace {

// Reads the file's pages and keeps the problems found.
class Checker {
public:
    explicit Checker(const QString& path, const QString& password)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            problem(QStringLiteral("cannot open %1").arg(path));
            return;
        }
        const auto header = ReadDatabaseHeader(file.read(kPageSize));
        if (!header) {
            problem(QStringLiteral("not a Jet 4 file"));
            return;
        }
        if (!header->password.isEmpty() && header->password != password)
            problem(QStringLiteral("the password does not open the file"));
        file_ = std::make_unique<JetPageFile>(path, header->encodingKey);
    }

    bool usable() const { return file_ != nullptr; }
    JetPageFile& file() { return *file_; }
    void problem(const QString& text) { problems_.append(text); }
    QStringList problems() const { return problems_; }

    quint32 definitionPageOf(const QString& name)
    {
        if (name.compare(QLatin1String("MSysObjects"), Qt::CaseInsensitive) == 0)
            return kCatalogDefinitionPage;
        quint32 page = 0;
        const JetTableSchema catalog = ReadTableSchema(*file_, kCatalogDefinitionPage, QStringLiteral("MSysObjects"));
        const int nameColumn = catalog.columnNamed(QStringLiteral("Name"));
        const int typeColumn = catalog.columnNamed(QStringLiteral("Type"));
        const int idColumn = catalog.columnNamed(QStringLiteral("Id"));
        if (nameColumn < 0 || typeColumn < 0 || idColumn < 0)
            return 0;
        // A damaged catalog row names no table: the table is then reported missing.
        ForEachLiveRow(*file_, catalog, [&](RowLocation, const std::vector<Variant>& row) {
            const Variant& rowName = row[nameColumn];
            const Variant& id = row[idColumn];
            if (row[typeColumn] == Variant(1) && rowName.type() == Variant::Type::Text
                && rowName.text().compare(name, Qt::CaseInsensitive) == 0 && id.type() == Variant::Type::Integer)
                page = static_cast<quint32>(id.integer()) & 0xffffff;
        });
        return page;
    }

    void checkTable(const QString& name)
    {
        const quint32 definition = definitionPageOf(name);
        if (definition == 0) {
            problem(QStringLiteral("%1: not in the catalog").arg(name));
            return;
        }
        const JetTableSchema table = ReadTableSchema(*file_, definition, name);
        const std::vector<quint32> owned = PagesInMap(*file_, table.usageMap);
        claim(definition, name);
        claimMap(table.usageMap, name);
        claimMap(table.freeSpaceMap, name);
        checkDataPages(table, owned);
        for (const quint32 page : PagesInMap(*file_, table.freeSpaceMap)) {
            if (!std::binary_search(owned.begin(), owned.end(), page))
                problem(QStringLiteral("%1: page %2 has free space but is not the table's").arg(name).arg(page));
        }
        std::vector<std::pair<RowLocation, std::vector<Variant>>> rows;
        ForEachLiveRow(*file_, table, [&](RowLocation where, const std::vector<Variant>& values) {
            rows.emplace_back(where, values);
        });
        if (rows.size() != table.rowCount)
            problem(QStringLiteral("%1: %2 live rows, the definition says %3")
                        .arg(name)
                        .arg(rows.size())
                        .arg(table.rowCount));
        for (std::size_t i = 0; i < table.indexes.size(); ++i)
            checkIndex(table, static_cast<int>(i), rows);
        checkAutoNumber(table, rows);
    }

    // Jet gives an AutoNumber the number after the last one its definition
    // keeps: that one must be at least every number in the column.
    void checkAutoNumber(const JetTableSchema& table,
                         const std::vector<std::pair<RowLocation, std::vector<Variant>>>& rows)
    {
        const qint32 last = qFromLittleEndian<qint32>(file_->page(table.definitionPage).constData() + 20);
        for (std::size_t column = 0; column < table.columns.size(); ++column) {
            if ((table.columns[column].flags & 0x04) == 0
                || table.columns[column].column.type != JetColumnType::LongInteger)
                continue;
            for (const auto& [where, values] : rows) {
                if (values[column].type() == Variant::Type::Integer && values[column].integer() > last)
                    problem(QStringLiteral("%1: AutoNumber %2 above the last number the definition keeps, %3")
                                .arg(table.name)
                                .arg(values[column].integer())
                                .arg(last));
            }
        }
    }

    // Compares every page's state in the file's own map with what the page
    // is: every page of the structures walked (and the header and the map's
    // own pages) used, every page past the end of the file that the map
    // covers free, as Access marks them.
    void checkGlobalMap()
    {
        claim(0, QStringLiteral("the header"));
        claimMap(RowPointer(kGlobalUsageMapPage, 0), QStringLiteral("the file's page map"));
        for (const auto& [number, owner] : claimed_) {
            if (markedFree(number))
                problem(QStringLiteral("page %1 of %2 is free in the file's page map, or not covered by it")
                            .arg(number)
                            .arg(owner));
        }
        for (quint32 number = file_->pageCount(); number < globalMapEnd(); ++number) {
            if (!markedFree(number))
                problem(
                    QStringLiteral("page %1, past the end of the file, is used in the file's page map").arg(number));
        }
    }

private:
    void claim(quint32 page, const QString& owner)
    {
        if (page >= file_->pageCount())
            problem(QStringLiteral("%1: page %2 is past the end of the file").arg(owner).arg(page));
        claimed_.emplace(page, owner);
    }

    // What the file's own map says of a page: free where its bit says so,
    // where the map does not cover it, or where its bitmap page is absent
    // (as other readers take an absent one).
    bool markedFree(quint32 number)
    {
        const QByteArray& page = file_->page(kGlobalUsageMapPage);
        const RowExtent extent = RowOnPage(page, 0);
        if (UsageMapType(page, extent) == kInlineMap) {
            const quint32 first = InlineFirstPage(page, extent);
            if (number < first || number - first >= InlinePagesCovered(extent))
                return true;
            return MapBit(page, extent.start + kInlineBitmapOffset, number - first);
        }
        const auto slot = static_cast<int>(number / kPagesPerBitmapPage);
        if (slot >= ReferenceSlots(extent))
            return true;
        const quint32 bitmap = ReferencedBitmapPage(page, extent, slot);
        if (bitmap == 0 || bitmap >= file_->pageCount())
            return true;
        return MapBit(file_->page(bitmap), kBitmapPageBitmapOffset, number % kPagesPerBitmapPage);
    }

    // The first page past those the file's own map covers.
    quint32 globalMapEnd()
    {
        const QByteArray& page = file_->page(kGlobalUsageMapPage);
        const RowExtent extent = RowOnPage(page, 0);
        if (UsageMapType(page, extent) == kInlineMap)
            return InlineFirstPage(page, extent) + InlinePagesCovered(extent);
        quint32 end = 0;
        for (int slot = 0; slot < ReferenceSlots(extent); ++slot) {
            if (ReferencedBitmapPage(page, extent, slot) != 0)
                end = (slot + 1) * kPagesPerBitmapPage;
        }
        return end;
    }

    void claimMap(quint32 pointer, const QString& owner)
    {
        claim(PageOfPointer(pointer), owner);
        const QByteArray& page = file_->page(PageOfPointer(pointer));
        const RowExtent extent = RowOnPage(page, RowOfPointer(pointer));
        if (UsageMapType(page, extent) != kReferenceMap)
            return;
        for (int slot = 0; slot < ReferenceSlots(extent); ++slot) {
            const quint32 bitmap = ReferencedBitmapPage(page, extent, slot);
            if (bitmap == 0)
                continue;
            claim(bitmap, owner);
            if (bitmap < file_->pageCount() && static_cast<quint8>(file_->page(bitmap)[0]) != kUsageBitmapPageType)
                problem(QStringLiteral("%1: map page %2 is not a bitmap page").arg(owner).arg(bitmap));
        }
    }

    void checkDataPages(const JetTableSchema& table, const std::vector<quint32>& owned)
    {
        for (quint32 number = 1; number < file_->pageCount(); ++number) {
            const QByteArray& page = file_->page(number);
            if (!IsDataPageOf(page, table.definitionPage))
                continue;
            claim(number, table.name);
            if (!std::binary_search(owned.begin(), owned.end(), number))
                problem(QStringLiteral("%1: data page %2 is missing from the table's map").arg(table.name).arg(number));
            const int rows = RowCountOnPage(page);
            int lowest = kPageSize;
            std::vector<std::pair<int, int>> extents;
            for (int row = 0; row < rows; ++row) {
                const RowExtent extent = RowOnPage(page, row);
                lowest = std::min<int>(lowest, static_cast<int>(extent.start));
                extents.emplace_back(static_cast<int>(extent.start), static_cast<int>(extent.end));
            }
            std::sort(extents.begin(), extents.end());
            for (std::size_t i = 1; i < extents.size(); ++i) {
                if (extents[i].first < extents[i - 1].second)
                    problem(QStringLiteral("%1: rows overlap on page %2").arg(table.name).arg(number));
            }
            const int free = DeclaredFreeSpace(page);
            const int actual = lowest - static_cast<int>(kDataPageHeaderSize + kRowOffsetEntrySize * rows);
            if (free != actual)
                problem(QStringLiteral("%1: page %2 says %3 bytes free, it has %4")
                            .arg(table.name)
                            .arg(number)
                            .arg(free)
                            .arg(actual));
        }
        for (const quint32 page : owned) {
            if (page >= file_->pageCount())
                problem(QStringLiteral("%1: its map names page %2, past the end").arg(table.name).arg(page));
        }
    }

    void checkIndex(const JetTableSchema& table, int number,
                    const std::vector<std::pair<RowLocation, std::vector<Variant>>>& rows)
    {
        const SchemaIndex& index = table.indexes[number];
        const QString where = QStringLiteral("%1 index %2").arg(table.name).arg(number);
        const IndexTreeContents tree =
            WalkIndexTree([this](quint32 page) { return file_->page(page); }, file_->pageCount(), table.definitionPage,
                          index.rootPage, JetVersion::Jet4, where, problems_);
        const QSet<quint32>& pages = tree.pages;
        claimMap(index.usageMap, where);
        for (const quint32 page : pages)
            claim(page, where);
        QSet<quint32> mapped;
        for (const quint32 page : PagesInMap(*file_, index.usageMap))
            mapped.insert(page);
        mapped.insert(index.rootPage);
        if (mapped != pages)
            problem(QStringLiteral("%1: the index's map lists %2 pages, the tree has %3")
                        .arg(where)
                        .arg(mapped.size())
                        .arg(pages.size()));

        const ExpectedIndexEntries expected = IndexEntriesOfRows(table, index, rows, JetVersion::Jet4);
        if (!expected.unkeyed.empty())
            problem(QStringLiteral("%1: a row's key cannot be encoded").arg(where));
        else
            CompareIndexEntries(tree.leaves, expected, where, problems_);
    }

    std::unique_ptr<JetPageFile> file_;
    QStringList problems_;
    std::multimap<quint32, QString> claimed_;
};

}  // namespace

QStringList CheckJetTables(const QString& path, const QStringList& tables, const QString& password)
{
    Checker checker(path, password);
    if (!checker.usable())
        return checker.problems();
    try {
        for (const QString& table : tables)
            checker.checkTable(table);
        checker.checkGlobalMap();
    } catch (const RuntimeError& error) {
        checker.problem(error.description());
    }
    return checker.problems();
}

QStringList JetUserTables(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const auto header = ReadDatabaseHeader(file.read(kPageSize));
    if (!header)
        return {};
    JetPageFile pages(path, header->encodingKey);
    const JetTableSchema catalog = ReadTableSchema(pages, kCatalogDefinitionPage, QStringLiteral("MSysObjects"));
    QStringList names;
    ForEachLiveRow(pages, catalog, [&](RowLocation, const std::vector<Variant>& row) {
        const Variant& flags = row[catalog.columnNamed(QStringLiteral("Flags"))];
        if (row[catalog.columnNamed(QStringLiteral("Type"))] == Variant(1)
            && (flags.isNull() || (flags.integer() & 0x80000002) == 0))
            names.append(row[catalog.columnNamed(QStringLiteral("Name"))].text());
    });
    return names;
}
