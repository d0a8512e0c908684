#include "platform/database/jet/in_place/relationships.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/in_place/index_key.h"
#include "platform/database/jet/in_place/table_rows.h"

#include <QMap>
#include <algorithm>
#include <optional>

namespace {

// DAO's Relation attributes, which grbit holds.
constexpr quint32 kDontEnforce = 0x2;
constexpr quint32 kDeleteCascade = 0x1000;

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

RuntimeError RelatedRecords(const JetRelationship& relationship)
{
    return {ErrorNumber::IntegrityViolation,
            QStringLiteral("Impossibile eliminare o modificare il record perché la tabella '%1' include record "
                           "correlati (relazione '%2'). (errore Jet 3200)")
                .arg(relationship.table, relationship.name)};
}

RuntimeError ParentRequired(const JetRelationship& relationship)
{
    return {ErrorNumber::IntegrityViolation,
            QStringLiteral("Impossibile aggiungere o modificare il record. È necessario un record correlato nella "
                           "tabella '%1' (relazione '%2'). (errore Jet 3201)")
                .arg(relationship.referencedTable, relationship.name)};
}

RuntimeError WouldCascade(const JetRelationship& relationship)
{
    return {ErrorNumber::IntegrityViolation,
            QStringLiteral("Impossibile eliminare i record della tabella '%1': la relazione '%2' eliminerebbe a catena "
                           "i record correlati della tabella '%3', che l'aggiornamento non modifica.")
                .arg(relationship.referencedTable, relationship.name, relationship.table)};
}

// The key of one side of a relationship for a row, encoded as the index on
// those columns keys it, so that values compare as Jet compares them; empty
// when a column is Null.
std::optional<QByteArray> SideKey(const JetTableSchema& table, const QStringList& columns,
                                  const std::vector<Variant>& values, const JetRelationship& relationship)
{
    SchemaIndex index;
    for (const QString& name : columns) {
        const int column = table.columnNamed(name);
        if (column < 0)
            throw DamagedFile(QStringLiteral("colonna '%1' della relazione '%2'").arg(name, relationship.name));
        if (values[column].isNull())
            return std::nullopt;
        index.columns.push_back({column, true});
    }
    std::optional<QByteArray> key = IndexKey(table, index, values, table.version);
    if (!key)
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("Impossibile verificare la relazione '%1': un testo contiene caratteri che "
                                          "l'ordinamento generale non prevede qui.")
                               .arg(relationship.name));
    return key;
}

}  // namespace

bool JetRelationship::enforced() const
{
    return (attributes & kDontEnforce) == 0;
}

bool JetRelationship::cascadesDeletes() const
{
    return (attributes & kDeleteCascade) != 0;
}

std::vector<JetRelationship> ReadJetRelationships(JetPageFile& file, quint32 definitionPage)
{
    const JetTableSchema schema = ReadTableSchema(file, definitionPage, QStringLiteral("MSysRelationships"));
    const auto column = [&](const char* name) {
        const int position = schema.columnNamed(QString::fromLatin1(name));
        if (position < 0)
            throw DamagedFile(QStringLiteral("colonna %1 di MSysRelationships").arg(QLatin1String(name)));
        return position;
    };
    const int name = column("szRelationship"), attributes = column("grbit"), count = column("ccolumn"),
              at = column("icolumn"), table = column("szObject"), tableColumn = column("szColumn"),
              referenced = column("szReferencedObject"), referencedColumn = column("szReferencedColumn");
    QMap<QString, JetRelationship> byName;
    ForEachLiveRow(file, schema, [&](RowLocation, const std::vector<Variant>& row) {
        const auto text = [&](int c) { return row[c].type() == Variant::Type::Text ? row[c].text() : QString(); };
        const auto integer = [&](int c) { return row[c].type() == Variant::Type::Integer ? row[c].integer() : -1; };
        JetRelationship& relationship = byName[text(name).toCaseFolded()];
        if (relationship.name.isEmpty()) {
            relationship = {text(name),       text(table),   QStringList(),
                            text(referenced), QStringList(), static_cast<quint32>(integer(attributes))};
            relationship.columns.resize(integer(count) > 0 && integer(count) <= 10 ? integer(count) : 0);
            relationship.referencedColumns.resize(relationship.columns.size());
        }
        const qint64 position = integer(at);
        if (position < 0 || position >= relationship.columns.size() || integer(count) != relationship.columns.size())
            throw DamagedFile(QStringLiteral("colonne della relazione '%1'").arg(text(name)));
        relationship.columns[position] = text(tableColumn);
        relationship.referencedColumns[position] = text(referencedColumn);
    });
    std::vector<JetRelationship> relationships;
    for (const JetRelationship& relationship : std::as_const(byName)) {
        if (relationship.name.isEmpty() || relationship.columns.contains(QString())
            || relationship.referencedColumns.contains(QString()))
            throw DamagedFile(QStringLiteral("relazione '%1' di MSysRelationships").arg(relationship.name));
        relationships.push_back(relationship);
    }
    return relationships;
}

RelationshipRules::RelationshipRules(JetPageFile& file, std::vector<JetRelationship> relationships, SchemaOf schemaOf)
    : file_(file), readSchema_(std::move(schemaOf))
{
    for (JetRelationship& relationship : relationships) {
        if (relationship.enforced())
            relationships_.push_back(std::move(relationship));
    }
}

const JetTableSchema& RelationshipRules::schemaOf(const QString& table)
{
    const QString key = table.toCaseFolded();
    auto known = schemas_.find(key);
    if (known == schemas_.end())
        known = schemas_.insert(key, readSchema_(table));
    return *known;
}

void RelationshipRules::expectDescribed(const JetTableSchema& table) const
{
    const bool related = std::any_of(relationships_.begin(), relationships_.end(), [&](const JetRelationship& r) {
        return SameName(r.table, table.name) || SameName(r.referencedTable, table.name);
    });
    for (const SchemaLogicalIndex& logical : table.logicalIndexes) {
        if (logical.relationship && !related)
            throw RuntimeError(ErrorNumber::Failure,
                               QStringLiteral("Impossibile aggiornare la tabella '%1': l'indice '%2' appartiene a una "
                                              "relazione che il catalogo del database non descrive.")
                                   .arg(table.name, logical.name));
    }
}

bool RelationshipRules::referenced(const QString& table) const
{
    return std::any_of(relationships_.begin(), relationships_.end(),
                       [&](const JetRelationship& r) { return SameName(r.referencedTable, table); });
}

void RelationshipRules::checkDeletion(const JetTableSchema& table, const std::vector<std::vector<Variant>>& rows)
{
    for (const JetRelationship& relationship : relationships_) {
        if (!SameName(relationship.referencedTable, table.name))
            continue;
        std::set<QByteArray> doomed;
        for (const std::vector<Variant>& row : rows) {
            if (const auto key = SideKey(table, relationship.referencedColumns, row, relationship))
                doomed.insert(*key);
        }
        if (doomed.empty())
            continue;
        const JetTableSchema& related = schemaOf(relationship.table);
        bool orphans = false;
        ForEachLiveRow(file_, related, [&](RowLocation, const std::vector<Variant>& values) {
            const auto key = SideKey(related, relationship.columns, values, relationship);
            orphans = orphans || (key && doomed.count(*key) != 0);
        });
        if (orphans)
            throw relationship.cascadesDeletes() ? WouldCascade(relationship) : RelatedRecords(relationship);
    }
}

const std::set<QByteArray>& RelationshipRules::parentKeys(std::size_t number)
{
    auto known = parentKeys_.find(number);
    if (known == parentKeys_.end()) {
        const JetRelationship& relationship = relationships_[number];
        const JetTableSchema& parent = schemaOf(relationship.referencedTable);
        std::set<QByteArray> keys;
        ForEachLiveRow(file_, parent, [&](RowLocation, const std::vector<Variant>& values) {
            if (const auto key = SideKey(parent, relationship.referencedColumns, values, relationship))
                keys.insert(*key);
        });
        known = parentKeys_.insert(number, std::move(keys));
    }
    return *known;
}

void RelationshipRules::checkInsert(const JetTableSchema& table, const std::vector<Variant>& values)
{
    for (std::size_t i = 0; i < relationships_.size(); ++i) {
        const JetRelationship& relationship = relationships_[i];
        if (!SameName(relationship.table, table.name))
            continue;
        const auto key = SideKey(table, relationship.columns, values, relationship);
        if (key && parentKeys(i).count(*key) == 0)
            throw ParentRequired(relationship);
    }
}

void RelationshipRules::inserted(const JetTableSchema& table, const std::vector<Variant>& values)
{
    if (parentKeys_.isEmpty())
        return;
    for (auto known = parentKeys_.begin(); known != parentKeys_.end(); ++known) {
        const JetRelationship& relationship = relationships_[known.key()];
        if (!SameName(relationship.referencedTable, table.name))
            continue;
        if (const auto key = SideKey(table, relationship.referencedColumns, values, relationship))
            known->insert(*key);
    }
}

void RelationshipRules::deleted(const QString& table)
{
    for (auto known = parentKeys_.begin(); known != parentKeys_.end();) {
        if (SameName(relationships_[known.key()].referencedTable, table))
            known = parentKeys_.erase(known);
        else
            ++known;
    }
}
