#include "platform/database/jet/new_file/jet_database_writer.h"

#include "platform/database/jet/format/catalog.h"
#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/database_header.h"
#include "platform/database/jet/format/index_page.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/row_packing.h"
#include "platform/database/jet/format/table_definition_page.h"
#include "platform/database/jet/format/text_encoding.h"
#include "platform/database/jet/format/usage_map.h"
#include "platform/runtime/system_error.h"

#include <QSaveFile>

struct JetDatabaseWriter::Table {
    Table(JetTableDefinition table, JetVersion format)
        : definition(std::move(table)), layout(LayOutTable(definition)), version(format)
    {
    }

    void append(const std::vector<Variant>& values)
    {
        if (!definition.indexes.empty())
            throw JetWriteError(QStringLiteral("Tabella '%1': una tabella con indici si riempie con il database "
                                               "già scritto, che ne mantiene gli indici")
                                    .arg(definition.name));
        const QByteArray row = PackRow(definition, layout, values, version);
        if (row.size() > RowPage::maxRowSize(version))
            throw JetWriteError(QStringLiteral("Tabella '%1': la riga occupa %2 byte, una pagina ne contiene al più %3")
                                    .arg(definition.name)
                                    .arg(row.size())
                                    .arg(RowPage::maxRowSize(version)));
        if (pages.empty() || !pages.back().fits(row.size()))
            pages.emplace_back(version);
        pages.back().add(row);
        ++rowCount;
    }

    JetTableDefinition definition;
    TableLayout layout;
    JetVersion version;
    std::vector<RowPage> pages;
    quint32 rowCount = 0;
};

namespace {

// Where one table's pages go in the file. The two usage maps are rows
// `mapRow` and `mapRow + 1` of the map pages, those of its indexes the rows
// after them; each index has an empty tree, a single leaf page.
struct TablePlacement {
    quint32 definitionPage = 0;
    std::vector<IndexPlacement> indexes;
    PageRange data;
    quint32 usedBitmaps = 0;
    quint32 freeBitmaps = 0;
    int mapRow = 0;
};

constexpr quint32 kFirstMapPage = kCatalogDefinitionPage + 1;

int MapRowsPerPage(JetVersion version)
{
    return RowPage::capacity(UsageMapRowSize(version), version);
}

quint32 MapRowPointer(int mapRow, JetVersion version)
{
    const int perPage = MapRowsPerPage(version);
    return RowPointer(kFirstMapPage + static_cast<quint32>(mapRow / perPage), mapRow % perPage);
}

// Gives the table its data pages and then the bitmap pages of its two maps, from `next` on.
void PlaceData(TablePlacement& placement, quint32 dataPages, quint32& next, JetVersion version)
{
    placement.data = PageRange{next, dataPages};
    next += dataPages;
    const auto bitmaps = static_cast<quint32>(BitmapPagesNeeded(placement.data, version));
    placement.usedBitmaps = next;
    placement.freeBitmaps = next + bitmaps;
    next += 2 * bitmaps;
}

void WritePage(QIODevice& device, const QByteArray& page)
{
    Q_ASSERT(page.size() == kPageSize || page.size() == kJet3PageSize);
    if (device.write(page) != page.size())
        throw JetWriteError(QStringLiteral("Impossibile scrivere il database: %1").arg(DescrizioneErroreFile(device)));
}

// The data pages of the table and the bitmaps of its maps. Every data page is
// listed in both maps: the free-space map only tells a writer where to look,
// and Jet checks a page's free space itself.
void WriteTableData(QIODevice& device, const std::vector<RowPage>& pages, const TablePlacement& placement,
                    JetVersion version)
{
    for (const RowPage& page : pages)
        WritePage(device, page.bytes(placement.definitionPage));
    for (int map = 0; map < 2; ++map) {
        for (const QByteArray& bitmap : UsageBitmapPages(placement.data, version))
            WritePage(device, bitmap);
    }
}

std::vector<const TablePlacement*> PlacementsInMapOrder(const TablePlacement& catalog,
                                                        const std::vector<TablePlacement>& tables)
{
    std::vector<const TablePlacement*> ordered{&catalog};
    for (const TablePlacement& placement : tables)
        ordered.push_back(&placement);
    return ordered;
}

QByteArray DefinitionPage(const JetTableDefinition& definition, const TableLayout& layout, bool system,
                          quint32 rowCount, const TablePlacement& placement, JetVersion version)
{
    return TableDefinitionPage(definition, layout,
                               {system, rowCount, MapRowPointer(placement.mapRow, version),
                                MapRowPointer(placement.mapRow + 1, version), placement.indexes},
                               version);
}

}  // namespace

JetDatabaseWriter::JetDatabaseWriter(QDateTime created, QString password, JetVersion version)
    : created_(std::move(created)), password_(std::move(password)), version_(version)
{
    // Refused here rather than when the file is half written.
    if (version_ == JetVersion::Jet3) {
        QByteArray checked;
        try {
            AppendWindows1252(checked, password_);
        } catch (const JetWriteError& error) {
            throw JetWriteError(QStringLiteral("Password: %1").arg(error.message()));
        }
    }
}

JetDatabaseWriter::~JetDatabaseWriter() = default;

int JetDatabaseWriter::addTable(const JetTableDefinition& table)
{
    CheckTableDefinition(table);
    const auto sameName = [&](const QString& name) { return name.compare(table.name, Qt::CaseInsensitive) == 0; };
    if (sameName(kCatalogName))
        throw JetWriteError(QStringLiteral("Tabella '%1': il nome è quello del catalogo").arg(table.name));
    for (const auto& existing : tables_) {
        if (sameName(existing->definition.name))
            throw JetWriteError(QStringLiteral("Tabella '%1': esiste già").arg(table.name));
    }
    auto added = std::make_unique<Table>(table, version_);
    TableDefinitionPage(added->definition, added->layout, {},
                        version_);  // refuses a definition too large for its page now
    tables_.push_back(std::move(added));
    return static_cast<int>(tables_.size()) - 1;
}

void JetDatabaseWriter::appendRow(int table, const std::vector<Variant>& values)
{
    tables_.at(static_cast<size_t>(table))->append(values);
}

void JetDatabaseWriter::write(QIODevice& device) const
{
    // Page 0 the header, 1 the page map, 2 the catalog's definition, then the
    // usage maps of every table (the catalog's first), then each table's
    // definition and data, and last the catalog's data, which names the pages
    // of all the others.
    int mapRows = 2;
    for (const auto& table : tables_)
        mapRows += 2 + static_cast<int>(table->definition.indexes.size());
    const int perMapPage = MapRowsPerPage(version_);
    const auto mapPages = static_cast<quint32>((mapRows + perMapPage - 1) / perMapPage);
    quint32 next = kFirstMapPage + mapPages;

    std::vector<TablePlacement> placements(tables_.size());
    std::vector<CatalogedTable> cataloged;
    int mapRow = 2;
    for (size_t i = 0; i < tables_.size(); ++i) {
        placements[i].mapRow = mapRow;
        mapRow += 2;
        placements[i].definitionPage = next++;
        for (std::size_t index = 0; index < tables_[i]->definition.indexes.size(); ++index)
            placements[i].indexes.push_back({MapRowPointer(mapRow++, version_), next++});
        PlaceData(placements[i], static_cast<quint32>(tables_[i]->pages.size()), next, version_);
        cataloged.push_back({tables_[i]->definition.name, placements[i].definitionPage});
    }
    Table catalog(CatalogDefinition(), version_);
    for (const auto& row : CatalogRows(cataloged, created_))
        catalog.append(row);
    TablePlacement catalogPlacement;
    catalogPlacement.definitionPage = kCatalogDefinitionPage;
    PlaceData(catalogPlacement, static_cast<quint32>(catalog.pages.size()), next, version_);
    const NewGlobalMap globalMap = GlobalUsageMap(next, version_);

    WritePage(device, DatabaseHeaderPage(created_, password_, version_));
    WritePage(device, globalMap.page);
    WritePage(device,
              DefinitionPage(catalog.definition, catalog.layout, true, catalog.rowCount, catalogPlacement, version_));
    std::vector<QByteArray> mapRowBytes;
    for (const TablePlacement* placement : PlacementsInMapOrder(catalogPlacement, placements)) {
        mapRowBytes.push_back(UsageMapRow(placement->data, placement->usedBitmaps, version_));
        mapRowBytes.push_back(UsageMapRow(placement->data, placement->freeBitmaps, version_));
        for (const IndexPlacement& index : placement->indexes)
            mapRowBytes.push_back(UsageMapRow(PageRange{index.rootPage, 1}, 0, version_));
    }
    for (quint32 page = 0; page < mapPages; ++page) {
        RowPage maps(version_);
        for (size_t r = page * perMapPage; r < mapRowBytes.size() && r < (page + 1) * perMapPage; ++r)
            maps.add(mapRowBytes[r]);
        WritePage(device, maps.bytes(0));
    }
    for (size_t i = 0; i < tables_.size(); ++i) {
        const Table& table = *tables_[i];
        WritePage(device,
                  DefinitionPage(table.definition, table.layout, false, table.rowCount, placements[i], version_));
        for (std::size_t index = 0; index < placements[i].indexes.size(); ++index)
            WritePage(device,
                      IndexPage({true, placements[i].definitionPage, 0, 0, 0}, {}, kLeafEntryTrailer, version_));
        WriteTableData(device, table.pages, placements[i], version_);
    }
    WriteTableData(device, catalog.pages, catalogPlacement, version_);
    for (const QByteArray& bitmap : globalMap.bitmapPages)
        WritePage(device, bitmap);
}

void JetDatabaseWriter::save(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw JetWriteError(
            QStringLiteral("Impossibile creare il database '%1': %2").arg(path, DescrizioneErroreFile(file)));
    write(file);
    if (!file.commit())
        throw JetWriteError(
            QStringLiteral("Impossibile scrivere il database '%1': %2").arg(path, DescrizioneErroreFile(file)));
}

void WriteJetDatabase(const QString& path, const std::vector<JetTable>& tables, JetVersion version)
{
    JetDatabaseWriter writer(QDateTime::currentDateTime(), QString(), version);
    for (const JetTable& table : tables) {
        const int number = writer.addTable(table.definition);
        for (const auto& row : table.rows)
            writer.appendRow(number, row);
    }
    writer.save(path);
}
