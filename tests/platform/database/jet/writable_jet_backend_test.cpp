#include "error_capture.h"
#include "jet_backend.h"
#include "jet_checker.h"
#include "jet_readback.h"
#include "procedure_databases.h"
#include "runtime_error.h"
#include "writable_jet_backend.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Digest(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

SourceRows Banks(int first, int count)
{
    SourceRows rows;
    for (int abi = first; abi < first + count; ++abi)
        rows.push_back(AbiRow(abi, QStringLiteral("Banca n. %1 d'Italia").arg(abi), abi % 10));
    return rows;
}

QString Sample(const QString& name)
{
    return QStringLiteral(CORVANTA_JET_SAMPLES "/") + name;
}

class WritableJet : public ::testing::Test {
protected:
    // A writable copy of an Access-made sample.
    QString copy(const QString& sample)
    {
        const QString path = dir.filePath(sample);
        QFile::copy(Sample(sample), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(WritableJet, DeletesFromAThresholdAndInsertsKeepingIndexesAndMaps)
{
    SourceRows banks = Banks(990, 20);
    SourceRows branches = ManyAbicabRows(600);
    for (auto& row : branches)
        row[0] = Variant(row[0].integer() - 10);  // ABI 990 to 1004: some stay, most go
    const QString path = WriteJetProcedureDatabase(dir.path(), banks, branches);
    ExpectProcedureDatabaseHolds(path, banks, branches);

    QStringList statements{QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"),
                           QStringLiteral("DELETE FROM abicab WHERE abcabi >=1000")};
    SourceRows newBanks = Banks(1000, 30);
    SourceRows newBranches = ManyAbicabRows(1500);
    for (const auto& row : newBanks)
        statements.append(InsertStatement(ProcedureAbiDefinition(), row));
    for (const auto& row : newBranches)
        statements.append(InsertStatement(ProcedureAbicabDefinition(), row));
    RunJetStatements(path, statements);

    SourceRows keptBanks, keptBranches;
    std::copy_if(banks.begin(), banks.end(), std::back_inserter(keptBanks), [](const auto& r) { return r[0].integer() < 1000; });
    std::copy_if(branches.begin(), branches.end(), std::back_inserter(keptBranches), [](const auto& r) { return r[0].integer() < 1000; });
    keptBanks.insert(keptBanks.end(), newBanks.begin(), newBanks.end());
    keptBranches.insert(keptBranches.end(), newBranches.begin(), newBranches.end());
    ExpectProcedureDatabaseHolds(path, keptBanks, keptBranches);
}

struct AccessCase {
    const char* file;
    const char* table;
    const char* password;
    std::vector<const char*> statements;
    int rowsAfter;
};

// Deletes and inserts in the indexed tables of files Access made: a
// descending index over several pages, unique and ignore-nulls indexes, text
// keys compressed or not, reference-type page maps, encrypted pages, a
// database password. Every structure passes the checker afterwards, and the
// three readers count the rows the definition counts.
TEST_F(WritableJet, AccessMadeTablesTakeDeletesAndInserts)
{
    const std::vector<AccessCase> cases{
        {"compIndexTestV2000.mdb", "Table1", "",
         {"DELETE FROM Table1 WHERE CD_AGENTE >= 200", "INSERT INTO Table1 (CD_AGENTE, RS_AGENTE) VALUES (-7, 'Agente')",
          "INSERT INTO Table1 (CD_AGENTE, RS_AGENTE, DC_AGENTE) VALUES (Null, 'Senza codice', 'x')",
          "INSERT INTO [TABLE1] ([cd_agente], DC_AGENTE) VALUES (2147483647, 'L''ultimo')"},
         512 - 494 + 3},
        {"testIndexPropertiesV2000.mdb", "TableIgnoreNulls2", "",
         {"INSERT INTO TableIgnoreNulls2 (row, data1, data2) VALUES ('r1', Null, Null)",
          "INSERT INTO TableIgnoreNulls2 (row, data1, data2) VALUES ('r2', 'àèìòù ÀÉ', -5)",
          "INSERT INTO TableIgnoreNulls2 (row) VALUES ('r3')"},
         11 + 3},
        {"testIndexPropertiesV2000.mdb", "TableUnique1_temp", "",
         {"INSERT INTO TableUnique1_temp (row, data) VALUES ('n1', Null)",
          "INSERT INTO TableUnique1_temp (row, data) VALUES ('n2', Null)",
          "INSERT INTO TableUnique1_temp (row, data) VALUES ('n3', 'Sant''Agata de'' Goti - Forlì')"},
         10 + 3},
        {"bigIndexTestV2000.mdb", "Table1", "",
         {"INSERT INTO Table1 (col1, col2) VALUES ('Città', 'a')", "INSERT INTO Table1 (col1) VALUES ('citta  ')",
          "INSERT INTO Table1 (col1) VALUES ('CITTÀ')", "INSERT INTO Table1 (col1) VALUES ('d''Ancona')",
          "INSERT INTO Table1 (col1) VALUES ('co-operativa')", "INSERT INTO Table1 (col1) VALUES (Null)"},
         6},
        {"testRefGlobalV2000.mdb", "Table1", "",
         {"INSERT INTO Table1 (A, B, C, D, E, F, G) VALUES ('chiave', 'non compresso', 7, -300, 123456, -2.5, 36000.25)",
          "DELETE FROM Table1 WHERE E >= 100000"},
         1},
        {"encryptedV2000.mdb", "Table1", "",
         {"INSERT INTO Table1 (ID, col1, col2) VALUES (100, 'cifrato', 5)", "DELETE FROM Table1 WHERE ID >= 2",
          "INSERT INTO Table1 (ID, col1) VALUES (3, 'di nuovo')"},
         2},
        {"passwordV2000.mdb", "Table1", "password",
         {"INSERT INTO Table1 (ID, Data) VALUES (10, 'protetto')", "DELETE FROM Table1 WHERE ID >= 2"},
         1},
    };
    for (const AccessCase& test : cases) {
        SCOPED_TRACE(std::string(test.file) + " " + test.table);
        const QString path = copy(QString::fromLatin1(test.file));
        const QString password = QString::fromLatin1(test.password);
        QStringList statements;
        for (const char* statement : test.statements)
            statements.append(QString::fromUtf8(statement));
        try {
            RunJetStatements(path, statements, password);
        } catch (const RuntimeError& error) {
            ADD_FAILURE() << error.description().toStdString();
            continue;
        }
        QStringList tables = JetUserTables(path);
        tables.append(QStringLiteral("MSysObjects"));
        const QStringList problems = CheckJetTables(path, tables, password);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
        ExpectJetRowCount(path, QString::fromLatin1(test.table), test.rowsAfter);
    }
}

}  // namespace
