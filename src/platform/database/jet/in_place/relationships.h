#pragma once

#include "platform/database/jet/in_place/table_schema.h"
#include "platform/runtime/variant.h"

#include <QHash>
#include <QStringList>
#include <functional>
#include <set>
#include <vector>

class JetPageFile;

// A relationship between two tables as the catalog table MSysRelationships
// keeps it: one row a pair of columns, the same name and attributes on each.
struct JetRelationship {
    QString name;
    QString table;  // the table whose rows refer to another's: the foreign key
    QStringList columns;
    QString referencedTable;
    QStringList referencedColumns;
    quint32 attributes = 0;  // grbit: the relationship's attributes as DAO names them

    bool enforced() const;
    bool cascadesDeletes() const;
};

// The relationships listed in MSysRelationships, whose definition starts on
// `definitionPage`. Raises DamagedFile when its rows contradict each other.
std::vector<JetRelationship> ReadJetRelationships(JetPageFile& file, quint32 definitionPage);

// The rules Jet applies to the rows of tables in an enforced relationship,
// checked before a change is made: no row left referring to a parent that a
// deletion removes, no row inserted whose parent is missing. A Null in a
// foreign key column leaves the row unchecked, as in Jet. The tool changes
// no other table than the one a statement names, so a deletion Jet would
// cascade to related rows is refused as well. A relationship Jet does not
// enforce constrains nothing.
class RelationshipRules {
public:
    using SchemaOf = std::function<JetTableSchema(const QString& table)>;

    RelationshipRules(JetPageFile& file, std::vector<JetRelationship> relationships, SchemaOf schemaOf);

    // Raises RuntimeError for a table with an index of a relationship the
    // catalog does not list: its rows could not be checked.
    void expectDescribed(const JetTableSchema& table) const;
    // Whether deletions from the table must be checked (checkDeletion).
    bool referenced(const QString& table) const;
    // Raises RuntimeError, Jet's messages, when deleting `rows` from `table`
    // would leave related rows without their parent.
    void checkDeletion(const JetTableSchema& table, const std::vector<std::vector<Variant>>& rows);
    // Raises RuntimeError when the row's parent in a related table is missing.
    void checkInsert(const JetTableSchema& table, const std::vector<Variant>& values);
    // What the rules know of a table's rows, after a change to them.
    void inserted(const JetTableSchema& table, const std::vector<Variant>& values);
    void deleted(const QString& table);

private:
    const JetTableSchema& schemaOf(const QString& table);
    const std::set<QByteArray>& parentKeys(std::size_t relationship);

    JetPageFile& file_;
    std::vector<JetRelationship> relationships_;
    SchemaOf readSchema_;
    QHash<QString, JetTableSchema> schemas_;
    // The keys each relationship's referenced table holds, read once and kept up to date.
    QHash<std::size_t, std::set<QByteArray>> parentKeys_;
};
