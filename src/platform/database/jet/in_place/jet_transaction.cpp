#include "platform/database/jet/in_place/jet_transaction.h"

#include "platform/database/jet/in_place/file_replacement.h"
#include "platform/database/jet/in_place/global_page_map.h"
#include "platform/database/jet/in_place/table_rows.h"
#include "platform/database/jet/in_place/usage_map_editor.h"
#include "platform/database/jet/jet_backend.h"
#include "platform/runtime/runtime_error.h"

namespace {

constexpr quint32 kCatalogPage = 2;
constexpr qint64 kTableType = 1;
constexpr qint64 kSystemFlags = 0x80000002;
constexpr quint32 kPageNumberMask = 0x00ffffff;

enum class TableKind { User, System };

// The table of that name, through the catalog: its row names the page of the definition.
quint32 DefinitionPageOf(JetPageFile& file, const QString& name, TableKind kind = TableKind::User)
{
    const JetTableSchema catalog = ReadTableSchema(file, kCatalogPage, QStringLiteral("MSysObjects"));
    const int idColumn = catalog.columnNamed(QStringLiteral("Id"));
    const int nameColumn = catalog.columnNamed(QStringLiteral("Name"));
    const int typeColumn = catalog.columnNamed(QStringLiteral("Type"));
    const int flagsColumn = catalog.columnNamed(QStringLiteral("Flags"));
    if (idColumn < 0 || nameColumn < 0 || typeColumn < 0 || flagsColumn < 0)
        throw RuntimeError(ErrorNumber::Failure, QStringLiteral("Impossibile leggere il catalogo del database."));
    quint32 page = 0;
    ForEachLiveRow(file, catalog, [&](RowLocation, const std::vector<Variant>& row) {
        const auto integer = [&](int column) {
            return row[column].type() == Variant::Type::Integer ? row[column].integer() : 0;
        };
        const bool system = (integer(flagsColumn) & kSystemFlags) != 0;
        if (page == 0 && integer(typeColumn) == kTableType && system == (kind == TableKind::System)
            && row[nameColumn].type() == Variant::Type::Text
            && row[nameColumn].text().compare(name, Qt::CaseInsensitive) == 0)
            page = static_cast<quint32>(integer(idColumn)) & kPageNumberMask;
    });
    if (page == 0 || page >= file.pageCount())
        throw JetTableNotFound(name);
    return page;
}

RuntimeError UnknownColumn(const QString& column)
{
    return {ErrorNumber::StatementRejected,
            QStringLiteral("L'istruzione contiene il seguente nome di campo sconosciuto: '%1'. Verificare che il nome "
                           "sia stato digitato correttamente e riprovare.")
                .arg(column)};
}

// A literal as the column keeps it: Jet takes a whole Double for an integer column.
Variant ForColumn(const SchemaColumn& column, Variant value)
{
    const bool integerColumn = column.column.type == JetColumnType::Byte || column.column.type == JetColumnType::Integer
        || column.column.type == JetColumnType::LongInteger;
    if (integerColumn && value.type() == Variant::Type::Double && value.real() == std::trunc(value.real())
        && std::abs(value.real()) < 9.2e18)
        return Variant(static_cast<qint64>(value.real()));
    return value;
}

}  // namespace

JetTransaction::JetTransaction(QString path, const QByteArray& encodingKey)
    : path_(std::move(path)),
      lock_(HoldJetDatabaseForWriting(path_)),
      file_(path_, encodingKey),
      append_([this](const QByteArray& page) { return appendPage(page); })
{
}

JetTransaction::~JetTransaction() = default;

RelationshipRules& JetTransaction::rules()
{
    if (!rules_) {
        std::vector<JetRelationship> relationships;
        try {
            relationships = ReadJetRelationships(
                file_, DefinitionPageOf(file_, QStringLiteral("MSysRelationships"), TableKind::System));
        } catch (const RuntimeError& error) {
            // A file without the catalog's table of relationships (one the tool made) has none.
            if (error.number() != ErrorNumber::NoSuchTable)
                throw;
        }
        rules_ = std::make_unique<RelationshipRules>(file_, std::move(relationships), [this](const QString& name) {
            return ReadTableSchema(file_, DefinitionPageOf(file_, name), name);
        });
    }
    return *rules_;
}

quint32 JetTransaction::appendPage(const QByteArray& page)
{
    const quint32 number = file_.appendPage(page);
    MarkPageUsed(file_, number);
    return number;
}

TableChange& JetTransaction::table(const QString& name)
{
    if (lastTable_ && name == lastName_)
        return *lastTable_;
    const QString key = name.toCaseFolded();
    auto known = tables_.find(key);
    if (known == tables_.end()) {
        const quint32 page = DefinitionPageOf(file_, name);
        JetTableSchema schema = ReadTableSchema(file_, page, name);
        const std::vector<JetProperty> properties = JetRuleProperties(path_, name);
        for (const JetProperty& property : properties) {
            const int column = schema.columnNamed(property.column);
            if (column >= 0 && property.name == QLatin1String("Required") && property.value == QLatin1String("yes"))
                schema.columns[column].required = true;
        }
        auto insertRules = std::make_shared<InsertRules>(ColumnRules(schema, properties), AutoNumber(file_, schema));
        rules().expectDescribed(schema);
        known = tables_.insert(key, std::make_shared<TableChange>(file_, std::move(schema)));
        insertRules_.insert(known->get(), std::move(insertRules));
    }
    lastName_ = name;
    lastTable_ = known->get();
    return **known;
}

const std::vector<int>& JetTransaction::columnsOf(const TableChange& target, const QStringList& names)
{
    if (&target == mappedTable_ && names == mappedNames_)
        return mappedColumns_;
    std::vector<int> columns;
    for (const QString& name : names) {
        const int column = target.schema().columnNamed(name);
        if (column < 0)
            throw UnknownColumn(name);
        columns.push_back(column);
    }
    mappedTable_ = &target;
    mappedNames_ = names;
    mappedColumns_ = std::move(columns);
    return mappedColumns_;
}

void JetTransaction::apply(JetChange change)
{
    if (const auto* deletion = std::get_if<JetDelete>(&change)) {
        TableChange& target = table(deletion->table);
        const int column = target.schema().columnNamed(deletion->where.column);
        if (column < 0)
            throw UnknownColumn(deletion->where.column);
        const JetColumnType type = target.schema().columns[column].column.type;
        if (type == JetColumnType::Text || type == JetColumnType::Memo || type == JetColumnType::Binary
            || type == JetColumnType::Ole || type == JetColumnType::Other)
            throw JetConditionTypeMismatch();
        deleteRows(
            target,
            [column, where = deletion->where](const std::vector<Variant>& values) {
                return where.holdsFor(values[column]);
            },
            column);
        return;
    }
    JetInsert& insert = std::get<JetInsert>(change);
    TableChange& target = table(insert.table);
    const JetTableSchema& schema = target.schema();
    InsertRules& insertRules = *insertRules_.constFind(&target).value();
    const std::vector<int>& columns = columnsOf(target, insert.columns);
    std::vector<Variant> values = insertRules.columns.defaultRow(columns);
    for (std::size_t i = 0; i < columns.size(); ++i)
        values[columns[i]] = ForColumn(schema.columns[columns[i]], std::move(insert.values[i]));
    insertRules.autoNumber.number(values);
    insertRules.columns.check(values);
    rules().checkInsert(schema, values);
    target.insert(values, append_);
    insertRules.autoNumber.inserted(values);
    rules().inserted(schema, values);
}

int JetTransaction::deleteWhere(const QString& name, const std::function<bool(const std::vector<Variant>&)>& matches)
{
    return deleteRows(table(name), matches);
}

int JetTransaction::deleteRows(TableChange& target, const std::function<bool(const std::vector<Variant>&)>& matches,
                               int column)
{
    const JetTableSchema& schema = target.schema();
    if (rules().referenced(schema.name)) {
        std::vector<std::vector<Variant>> doomed;
        ForEachLiveRow(file_, schema, [&](RowLocation, const std::vector<Variant>& values) {
            if (matches(values))
                doomed.push_back(values);
        });
        rules().checkDeletion(schema, doomed);
    }
    const int deleted = target.deleteWhere(matches, column);
    rules().deleted(schema.name);
    return deleted;
}

void JetTransaction::commit()
{
    if (!file_.changed())
        return;
    for (const auto& table : std::as_const(tables_))
        table->finish(append_);
    ReplaceWithChanges(file_, path_);
}

QString JetTransaction::snapshot()
{
    for (const auto& table : std::as_const(tables_))
        table->finish(append_);
    return WriteSnapshot(file_, path_);
}
