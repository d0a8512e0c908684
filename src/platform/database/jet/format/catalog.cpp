#include "platform/database/jet/format/catalog.h"

#include "platform/database/jet/format/database_header.h"
#include "platform/database/jet/format/jet_format.h"

namespace {

constexpr qint64 kContainerRoot = 0x0F000000;
constexpr qint64 kTablesContainer = 0x0F000001;
constexpr qint64 kSystemObjectFlag = -2147483647 - 1;  // 0x80000000 as the signed Flags column holds it
constexpr int kTableType = 1;
constexpr int kContainerType = 3;

std::vector<Variant> CatalogRow(qint64 id, qint64 parentId, const QString& name, int type, double created, qint64 flags)
{
    static const std::size_t columnCount = CatalogDefinition().columns.size();
    std::vector<Variant> row(columnCount);
    row[0] = Variant(id);
    row[1] = Variant(parentId);
    row[2] = Variant(name);
    row[3] = Variant(type);
    row[4] = Variant(created);
    row[5] = Variant(created);
    row[7] = Variant(flags);
    return row;
}

}  // namespace

const QString kCatalogName = QStringLiteral("MSysObjects");

JetTableDefinition CatalogDefinition()
{
    using T = JetColumnType;
    return {kCatalogName,
            {{QStringLiteral("Id"), T::LongInteger},
             {QStringLiteral("ParentId"), T::LongInteger},
             {QStringLiteral("Name"), T::Text, 255},
             {QStringLiteral("Type"), T::Integer},
             {QStringLiteral("DateCreate"), T::DateTime},
             {QStringLiteral("DateUpdate"), T::DateTime},
             {QStringLiteral("Owner"), T::Binary},
             {QStringLiteral("Flags"), T::LongInteger},
             {QStringLiteral("Database"), T::Memo},
             {QStringLiteral("Connect"), T::Memo},
             {QStringLiteral("ForeignName"), T::Text, 255},
             {QStringLiteral("RmtInfoShort"), T::Binary},
             {QStringLiteral("RmtInfoLong"), T::Ole},
             {QStringLiteral("Lv"), T::Ole},
             {QStringLiteral("LvProp"), T::Ole},
             {QStringLiteral("LvModule"), T::Ole},
             {QStringLiteral("LvExtra"), T::Ole}}};
}

std::vector<std::vector<Variant>> CatalogRows(const std::vector<CatalogedTable>& tables, const QDateTime& created)
{
    const double date = JetDateTime(created);
    std::vector<std::vector<Variant>> rows;
    qint64 containerId = kTablesContainer;
    for (const char* container : {"Tables", "Databases", "Relationships"})
        rows.push_back(CatalogRow(containerId++, kContainerRoot, QString::fromLatin1(container), kContainerType, date,
                                  kSystemObjectFlag));
    rows.push_back(
        CatalogRow(kCatalogDefinitionPage, kTablesContainer, kCatalogName, kTableType, date, kSystemObjectFlag));
    for (const CatalogedTable& table : tables)
        rows.push_back(CatalogRow(table.definitionPage, kTablesContainer, table.name, kTableType, date, 0));
    return rows;
}
