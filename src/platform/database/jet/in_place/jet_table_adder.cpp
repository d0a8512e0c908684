#include "platform/database/jet/in_place/jet_table_adder.h"

#include "platform/database/jet/format/catalog.h"
#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/database_header.h"
#include "platform/database/jet/format/index_page.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/row_packing.h"
#include "platform/database/jet/format/table_definition_page.h"
#include "platform/database/jet/format/usage_map.h"
#include "platform/database/jet/in_place/database_lock.h"
#include "platform/database/jet/in_place/file_replacement.h"
#include "platform/database/jet/in_place/global_page_map.h"
#include "platform/database/jet/in_place/page_file.h"
#include "platform/database/jet/in_place/table_change.h"
#include "platform/database/jet/in_place/table_rows.h"
#include "platform/database/jet/in_place/usage_map_editor.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/system_error.h"

#include <QDateTime>
#include <QFile>

namespace {

constexpr quint32 kCatalogPage = 2;
constexpr qint64 kContainerType = 3;
constexpr qint64 kTableType = 1;

DatabaseHeader HeaderOf(const QString& path, const QString& password)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw JetWriteError(
            QStringLiteral("Impossibile aprire il database '%1': %2").arg(path, DescrizioneErroreFile(file)));
    const auto header = ReadDatabaseHeader(file.read(kPageSize));
    if (!header)
        throw JetWriteError(QStringLiteral("'%1' non è un database Jet 3 o Jet 4").arg(path));
    if (!header->password.isEmpty() && header->password != password)
        throw JetWriteError(QStringLiteral("'%1': password non valida").arg(path));
    return *header;
}

// The Id of the catalog's container "Tables", the parent of every table.
qint64 TablesContainer(JetPageFile& file, const JetTableSchema& catalog)
{
    qint64 id = 0;
    ForEachLiveRow(file, catalog, [&](RowLocation, const std::vector<Variant>& row) {
        if (row[catalog.columnNamed(QStringLiteral("Type"))] == Variant(kContainerType)
            && row[catalog.columnNamed(QStringLiteral("Name"))] == Variant("Tables"))
            id = row[catalog.columnNamed(QStringLiteral("Id"))].integer();
    });
    if (id == 0)
        throw JetWriteError(QStringLiteral("il catalogo non ha il contenitore Tables"));
    return id;
}

}  // namespace

void AddJetTables(const QString& path, const std::vector<JetTableDefinition>& tables, const QString& password)
{
    for (const JetTableDefinition& table : tables)
        CheckTableDefinition(table);
    const DatabaseHeader header = HeaderOf(path, password);
    const auto held = HoldJetDatabaseForWriting(path);
    JetPageFile file(path, header.encodingKey);
    const PageAppender append = [&](const QByteArray& page) {
        const quint32 number = file.appendPage(page);
        MarkPageUsed(file, number);
        return number;
    };

    const JetTableSchema catalogSchema = ReadTableSchema(file, kCatalogPage, kCatalogName);
    const qint64 parent = TablesContainer(file, catalogSchema);
    TableChange catalog(file, catalogSchema);
    const double now = JetDateTime(QDateTime::currentDateTime());
    for (const JetTableDefinition& table : tables) {
        const JetVersion version = file.version();
        const quint32 definitionPage = append(QByteArray(PageSize(version), '\0'));
        // The table's two maps, then one for each index, on a page of maps of their own.
        RowPage maps(version);
        maps.add(UsageMapRow(PageRange{definitionPage, 0}, 0, version));
        maps.add(UsageMapRow(PageRange{definitionPage, 0}, 0, version));
        std::vector<IndexPlacement> indexes;
        for (std::size_t i = 0; i < table.indexes.size(); ++i) {
            const quint32 root = append(IndexPage({true, definitionPage, 0, 0, 0}, {}, kLeafEntryTrailer, version));
            maps.add(UsageMapRow(PageRange{root, 1}, 0, version));
            indexes.push_back({0, root});
        }
        const quint32 mapPage = append(maps.bytes(0));
        for (std::size_t i = 0; i < indexes.size(); ++i)
            indexes[i].usageMap = RowPointer(mapPage, static_cast<int>(2 + i));
        file.writablePage(definitionPage) = TableDefinitionPage(
            table, LayOutTable(table), {false, 0, RowPointer(mapPage, 0), RowPointer(mapPage, 1), indexes}, version);

        std::vector<Variant> row(catalogSchema.columns.size());
        const auto set = [&](const char* column, Variant value) {
            row[catalogSchema.columnNamed(QString::fromLatin1(column))] = std::move(value);
        };
        set("Id", Variant(definitionPage));
        set("ParentId", Variant(parent));
        set("Name", Variant(table.name));
        set("Type", Variant(kTableType));
        set("DateCreate", Variant(now));
        set("DateUpdate", Variant(now));
        set("Flags", Variant(0));
        catalog.insert(row, append);
    }
    catalog.finish(append);
    ReplaceWithChanges(file, path);
}
