#pragma once

#include "platform/database/jet/format/table_definition.h"

#include <QDateTime>
#include <vector>

// The catalog, MSysObjects, through which Access and the readers find every
// table: its definition is on page 2, and each table has a row whose Id is
// the page of the table's definition.

extern const QString kCatalogName;

// The catalog's columns, as Access 2000 to 2003 define them.
JetTableDefinition CatalogDefinition();

struct CatalogedTable {
    QString name;
    quint32 definitionPage = 0;
};

// The rows: the containers Tables, Databases and Relationships, the catalog
// itself as a system table, then the user tables in their order.
std::vector<std::vector<Variant>> CatalogRows(const std::vector<CatalogedTable>& tables, const QDateTime& created);
