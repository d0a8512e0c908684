#include "support/procedure_databases.h"

#include "layouts/abicab_layout.h"
#include "platform/database/jet/in_place/jet_table_adder.h"
#include "platform/database/jet/in_place/writable_jet_backend.h"
#include "platform/database/jet/jet_backend.h"
#include "platform/runtime/runtime_error.h"
#include "support/jet3_checker.h"
#include "support/jet_checker.h"
#include "support/jet_readback.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <algorithm>

namespace {

QString Literal(const Variant& value)
{
    switch (value.type()) {
        case Variant::Type::Null: return QStringLiteral("Null");
        case Variant::Type::Integer: return QString::number(value.integer());
        case Variant::Type::Double: return QString::number(value.real(), 'g', 17);
        case Variant::Type::Text:
            return QLatin1Char('\'') + QString(value.text()).replace(QLatin1Char('\''), QStringLiteral("''"))
                + QLatin1Char('\'');
        case Variant::Type::Binary: break;  // the procedure tables hold none
    }
    return {};
}

QString RowText(const std::vector<Variant>& row)
{
    QStringList values;
    for (const Variant& value : row)
        values.append(Literal(value));
    return values.join(QLatin1Char('|'));
}

// A Double column's whole numbers, as the readers give them back.
SourceRows AsStored(const JetTableDefinition& table, SourceRows rows)
{
    for (auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (table.columns[i].type == JetColumnType::Double && row[i].type() == Variant::Type::Integer)
                row[i] = Variant(static_cast<double>(row[i].integer()));
        }
    }
    return rows;
}

QStringList Sorted(const SourceRows& rows)
{
    QStringList texts;
    for (const auto& row : rows)
        texts.append(RowText(row));
    texts.sort();
    return texts;
}

}  // namespace

std::vector<JetTable> ProcedureTables(const SourceRows& banks, const SourceRows& branches, int release)
{
    return {{ReleaseDefinition(), {{Variant(release), Variant(0), Variant("base")}}},
            {ProcedureAbiDefinition(), banks},
            {ProcedureAbicabDefinition(), branches}};
}

QString InsertStatement(const JetTableDefinition& table, const std::vector<Variant>& values)
{
    QStringList columns;
    QStringList literals;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        columns.append(table.columns[i].name);
        literals.append(Literal(values[i]));
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table.name, columns.join(QStringLiteral(", ")), literals.join(QStringLiteral(", ")));
}

SourceRows BanksFrom(int first, int count)
{
    SourceRows rows;
    for (int abi = first; abi < first + count; ++abi)
        rows.push_back(AbiRow(abi, QStringLiteral("Banca n. %1 dell'Italia è").arg(abi), abi % 10));
    return rows;
}

SourceRows Joined(SourceRows first, const SourceRows& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

bool IsJet3File(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(0x15).endsWith(QByteArray(1, '\0'));
}

QByteArray FileDigest(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void RunJetStatements(const QString& path, const QStringList& statements, const QString& password)
{
    const auto database = OpenWritableJetDatabase(path, password);
    database->beginTransaction();
    for (const QString& statement : statements)
        database->execute(statement);
    database->commitTransaction();
}

QString WriteJetProcedureDatabase(const QString& folder, const SourceRows& banks, const SourceRows& branches,
                                  const QString& password, const QString& fileName, JetVersion version)
{
    const QString path = QDir(folder).filePath(fileName);
    JetDatabaseWriter writer(QDateTime::currentDateTime(), password, version);
    const std::vector<JetTable> tables = ProcedureTables({}, {});
    for (const JetTable& table : tables) {
        const int number = writer.addTable(table.definition);
        for (const auto& row : table.rows)
            writer.appendRow(number, row);
    }
    writer.save(path);
    QStringList statements;
    for (const auto& row : banks)
        statements.append(InsertStatement(ProcedureAbiDefinition(), row));
    for (const auto& row : branches)
        statements.append(InsertStatement(ProcedureAbicabDefinition(), row));
    if (!statements.isEmpty())
        RunJetStatements(path, statements, password);
    return path;
}

void AddProcedureTables(const QString& path, const SourceRows& banks, const SourceRows& branches,
                        const QString& password)
{
    const std::vector<JetTable> tables = ProcedureTables(banks, branches);
    AddJetTables(path, {tables[0].definition, tables[1].definition, tables[2].definition}, password);
    QStringList statements;
    for (const JetTable& table : tables) {
        for (const auto& row : table.rows)
            statements.append(InsertStatement(table.definition, row));
    }
    RunJetStatements(path, statements, password);
}

void ExpectProcedureDatabaseHolds(const QString& path, const SourceRows& banks, const SourceRows& branches,
                                  const QString& password)
{
    QStringList tables = JetUserTables(path);
    tables.append(QStringLiteral("MSysObjects"));
    const QStringList problems = IsJet3File(path) ? CheckJet3Pages(path) : CheckJetTables(path, tables, password);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    // The rows in the order the project's reader finds them, which the other two readers must share.
    std::vector<JetTable> expected =
        ProcedureTables(AsStored(ProcedureAbiDefinition(), banks), AsStored(ProcedureAbicabDefinition(), branches));
    try {
        const auto database = OpenJetDatabase(path);
        for (JetTable& table : expected) {
            const ResultSet read = database->query(QStringLiteral("SELECT * FROM [%1]").arg(table.definition.name));
            EXPECT_EQ(Sorted(read.rows), Sorted(table.rows)) << "rows of " << table.definition.name.toStdString();
            table.rows = read.rows;
        }
    } catch (const RuntimeError& error) {
        ADD_FAILURE() << error.description().toStdString();
        return;
    }
    if (tables.size() == 4) {
        ExpectJetFileReadsBack(path, expected);
        return;
    }
    for (const JetTable& table : expected)
        ExpectJetRowCount(path, table.definition.name, static_cast<int>(table.rows.size()));
}
