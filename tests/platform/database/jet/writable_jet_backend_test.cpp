#include "platform/database/jet/in_place/writable_jet_backend.h"
#include "platform/database/jet/jet_backend.h"
#include "platform/runtime/runtime_error.h"
#include "support/error_capture.h"
#include "support/jet3_checker.h"
#include "support/jet_checker.h"
#include "support/jet_readback.h"
#include "support/procedure_databases.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>

namespace {

QString Sample(const QString& name)
{
    return QStringLiteral(CORVANTA_JET_SAMPLES "/") + name;
}

class WritableJet : public ::testing::Test {
protected:
    // A writable copy of an Access-made sample.
    QString copy(const QString& sample, const QString& name = QString())
    {
        const QString path = dir.filePath(name.isEmpty() ? sample : name);
        QFile::copy(Sample(sample), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    QTemporaryDir dir;
};

// The cases both formats the writer takes share, run on a procedure
// database of each: Jet 3 has its own pages, rows, definitions and maps.
class WritableJetOfEitherVersion : public WritableJet, public ::testing::WithParamInterface<JetVersion> {
protected:
    QString procedureDatabase(const SourceRows& banks, const SourceRows& branches)
    {
        return WriteJetProcedureDatabase(dir.path(), banks, branches, QString(), QStringLiteral("ARCPROC.mdb"),
                                         GetParam());
    }
};

INSTANTIATE_TEST_SUITE_P(Jet, WritableJetOfEitherVersion, ::testing::Values(JetVersion::Jet3, JetVersion::Jet4),
                         [](const auto& info) {
                             return std::string(info.param == JetVersion::Jet3 ? "Jet3" : "Jet4");
                         });

TEST_P(WritableJetOfEitherVersion, DeletesFromAThresholdAndInsertsKeepingIndexesAndMaps)
{
    SourceRows banks = BanksFrom(990, 20);
    SourceRows branches = ManyAbicabRows(600);
    for (auto& row : branches)
        row[0] = Variant(row[0].integer() - 10);  // ABI 990 to 1004: some stay, most go
    const QString path = procedureDatabase(banks, branches);
    ExpectProcedureDatabaseHolds(path, banks, branches);

    QStringList statements{QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"),
                           QStringLiteral("DELETE FROM abicab WHERE abcabi >=1000")};
    SourceRows newBanks = BanksFrom(1000, 30);
    SourceRows newBranches = ManyAbicabRows(1500);
    for (const auto& row : newBanks)
        statements.append(InsertStatement(ProcedureAbiDefinition(), row));
    for (const auto& row : newBranches)
        statements.append(InsertStatement(ProcedureAbicabDefinition(), row));
    RunJetStatements(path, statements);

    SourceRows keptBanks, keptBranches;
    std::copy_if(banks.begin(), banks.end(), std::back_inserter(keptBanks),
                 [](const auto& r) { return r[0].integer() < 1000; });
    std::copy_if(branches.begin(), branches.end(), std::back_inserter(keptBranches),
                 [](const auto& r) { return r[0].integer() < 1000; });
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
    // The same for Access 2000's and Access 97's copy of the agents' table.
    const std::vector<const char*> agentStatements{
        "DELETE FROM Table1 WHERE CD_AGENTE >= 200", "INSERT INTO Table1 (CD_AGENTE, RS_AGENTE) VALUES (-7, 'Agente')",
        "INSERT INTO Table1 (CD_AGENTE, RS_AGENTE, DC_AGENTE) VALUES (Null, 'Senza codice', 'x')",
        "INSERT INTO [TABLE1] ([cd_agente], DC_AGENTE) VALUES (2147483647, 'L''ultimo')"};
    const std::vector<AccessCase> cases{
        {"compIndexTestV2000.mdb", "Table1", "", agentStatements, 512 - 494 + 3},
        {"testIndexPropertiesV2000.mdb",
         "TableIgnoreNulls2",
         "",
         {"INSERT INTO TableIgnoreNulls2 (row, data1, data2) VALUES ('r1', Null, Null)",
          "INSERT INTO TableIgnoreNulls2 (row, data1, data2) VALUES ('r2', 'àèìòù ÀÉ', -5)",
          "INSERT INTO TableIgnoreNulls2 (row) VALUES ('r3')"},
         11 + 3},
        {"testIndexPropertiesV2000.mdb",
         "TableUnique1_temp",
         "",
         {"INSERT INTO TableUnique1_temp (row, data) VALUES ('n1', Null)",
          "INSERT INTO TableUnique1_temp (row, data) VALUES ('n2', Null)",
          "INSERT INTO TableUnique1_temp (row, data) VALUES ('n3', 'Sant''Agata de'' Goti - Forlì')"},
         10 + 3},
        {"bigIndexTestV2000.mdb",
         "Table1",
         "",
         {"INSERT INTO Table1 (col1, col2) VALUES ('Città', 'a')", "INSERT INTO Table1 (col1) VALUES ('citta  ')",
          "INSERT INTO Table1 (col1) VALUES ('CITTÀ')", "INSERT INTO Table1 (col1) VALUES ('d''Ancona')",
          "INSERT INTO Table1 (col1) VALUES ('co-operativa')", "INSERT INTO Table1 (col1) VALUES (Null)"},
         6},
        {"testRefGlobalV2000.mdb",
         "Table1",
         "",
         {"INSERT INTO Table1 (A, B, C, D, E, F, G, H) VALUES ('chiave', 'non compresso', 7, -300, 123456, -2.5, "
          "36000.25, Null)",
          "DELETE FROM Table1 WHERE E >= 100000"},
         1},
        {"encryptedV2000.mdb",
         "Table1",
         "",
         {"INSERT INTO Table1 (ID, col1, col2) VALUES (100, 'cifrato', 5)", "DELETE FROM Table1 WHERE ID >= 2",
          "INSERT INTO Table1 (ID, col1) VALUES (3, 'di nuovo')"},
         2},
        {"passwordV2000.mdb",
         "Table1",
         "password",
         {"INSERT INTO Table1 (ID, Data) VALUES (10, 'protetto')", "DELETE FROM Table1 WHERE ID >= 2"},
         1},
        // Access 97's: a descending integer index over several pages, and integer keys under relationships.
        {"compIndexTestV1997.mdb", "Table1", "", agentStatements, 512 - 494 + 3},
        {"indexTestV1997.mdb",
         "Table1",
         "",
         {"DELETE FROM Table1 WHERE id >= 1",
          "INSERT INTO Table1 (id, otherfk1, otherfk2, data, otherfk3) VALUES (20, 2, 13, 'àèìòù €', 0)"},
         2},
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
        const QStringList problems = IsJet3File(path) ? CheckJet3Pages(path) : CheckJetTables(path, tables, password);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
        ExpectJetRowCount(path, QString::fromLatin1(test.table), test.rowsAfter);
    }
}

// Everything refused is refused before anything is touched: the file stays
// byte for byte what it was, and so does a transaction's earlier work.
// Jet 4 keeps the password masked in UCS-2, Jet 3 plain in its code page:
// each opens with its own only, and mdb-reader reads back the one written.
TEST_P(WritableJetOfEitherVersion, OpensWithTheDatabasePasswordOnly)
{
    const QString password = QStringLiteral("Sé€greta 1");
    const QString path = WriteJetProcedureDatabase(dir.path(), BanksFrom(990, 3), {}, password,
                                                   QStringLiteral("ARCPROC.mdb"), GetParam());
    EXPECT_EQ(MdbReaderPassword(path), password);
    for (const QString& wrong : {QString(), QStringLiteral("sé€greta 1"), QStringLiteral("Sé€greta")}) {
        const RuntimeError refused = ErrorOf([&] { OpenWritableJetDatabase(path, wrong); });
        EXPECT_EQ(refused.number(), ErrorNumber::AuthenticationFailed);
        EXPECT_EQ(refused.description(), QStringLiteral("Password non valida."));
    }
    RunJetStatements(path, {QStringLiteral("DELETE FROM abi WHERE abiabi >=992")}, password);
    ExpectProcedureDatabaseHolds(path, BanksFrom(990, 2), {}, password);
}

TEST_P(WritableJetOfEitherVersion, RefusesWhatItCannotDoExactlyBeforeTouchingAnything)
{
    const QString path = procedureDatabase(BanksFrom(990, 20), {});
    const QByteArray before = FileDigest(path);
    const QString longText(81, QLatin1Char('x'));
    const std::vector<std::pair<const char*, std::int32_t>> refused{
        {"UPDATE ABI SET AbiBanc = 'x'", ErrorNumber::StatementRejected},
        {"DROP TABLE ABI", ErrorNumber::StatementRejected},
        {"DELETE FROM ABI", ErrorNumber::StatementRejected},
        {"DELETE FROM ABI WHERE AbiAbi > 1000", ErrorNumber::StatementRejected},
        {"DELETE FROM ABI WHERE AbiAbi >= 1000 OR 1=1", ErrorNumber::StatementRejected},
        {"DELETE FROM ABI WHERE AbiBanc >= 1000", ErrorNumber::StatementRejected},
        {"DELETE FROM ABI WHERE Nessuna >= 1000", ErrorNumber::StatementRejected},
        {"DELETE FROM Nessuna WHERE AbiAbi >= 1000", ErrorNumber::NoSuchTable},
        {"DELETE FROM MSysObjects WHERE Id >= 0", ErrorNumber::NoSuchTable},
        {"INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (1)", ErrorNumber::StatementRejected},
        {"INSERT INTO ABI (AbiAbi, AbiAbi) VALUES (1, 2)", ErrorNumber::StatementRejected},
        {"INSERT INTO ABI (AbiAbi, Nessuna) VALUES (1, 2)", ErrorNumber::StatementRejected},
        {"INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (1, 'non chiusa)", ErrorNumber::StatementRejected},
        {"INSERT INTO ABI (AbiAbi) VALUES (1); DELETE FROM ABI WHERE AbiAbi >= 0", ErrorNumber::StatementRejected},
        {"INSERT INTO ABI (AbiAbi) SELECT AbiAbi FROM ABI", ErrorNumber::StatementRejected},
        {"INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (995, 'doppia')", ErrorNumber::IntegrityViolation},
        {"INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (Null, 'senza chiave')", ErrorNumber::IntegrityViolation},
        {"INSERT INTO ABI (AbiBanc) VALUES ('senza chiave')", ErrorNumber::IntegrityViolation},
        {"INSERT INTO ABI (AbiAbi, AbiAbichk) VALUES (2000, 40000)", ErrorNumber::Failure},
        {"INSERT INTO ABI (AbiAbi, AbiAbichk) VALUES (2000, 2.5)", ErrorNumber::Failure},
        {"INSERT INTO ABI (AbiAbi, AbiAbichk) VALUES (2000, '3')", ErrorNumber::Failure},
        {"INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (2000, 5)", ErrorNumber::Failure},
        // No stored form gives this text back whole: U+FEFF first, a character ending in a zero byte;
        // Jet 3's code page has neither.
        {"INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (2000, '\uFEFF\u0100')",
         GetParam() == JetVersion::Jet3 ? ErrorNumber::StatementRejected : ErrorNumber::Failure},
    };
    const auto database = OpenWritableJetDatabase(path, QString());
    for (const auto& [statement, number] : refused) {
        SCOPED_TRACE(statement);
        EXPECT_EQ(ErrorNumberOf([&] { database->execute(QString::fromUtf8(statement)); }), number);
        EXPECT_EQ(FileDigest(path), before);
    }
    const RuntimeError tooLong = ErrorOf([&] {
        database->execute(QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (2000, '%1')").arg(longText));
    });
    EXPECT_EQ(tooLong.number(), ErrorNumber::Failure);
    EXPECT_TRUE(tooLong.description().contains(QStringLiteral("81 caratteri"))) << tooLong.description().toStdString();
    if (GetParam() == JetVersion::Jet3) {
        // Jet 3 keeps texts in the file's code page, which has no Ā.
        const RuntimeError outside = ErrorOf([&] {
            database->execute(QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (2000, 'Banca \u0100')"));
        });
        EXPECT_TRUE(outside.description().contains(QStringLiteral("AbiBanc"))
                    && outside.description().contains(QStringLiteral("U+0100")))
            << outside.description().toStdString();
        EXPECT_EQ(FileDigest(path), before);
    }

    // Inside a transaction a refusal leaves the statements before it, to be committed or rolled back.
    database->beginTransaction();
    database->execute(QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (2000, 'prima')"));
    EXPECT_EQ(ErrorNumberOf([&] { database->execute(QStringLiteral("INSERT INTO ABI (AbiAbi) VALUES (2000)")); }),
              ErrorNumber::IntegrityViolation);
    database->execute(QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (2001, 'dopo');"));
    EXPECT_EQ(database->query(QStringLiteral("SELECT AbiAbi FROM ABI")).rows.size(), 22U);
    database->rollbackTransaction();
    EXPECT_EQ(FileDigest(path), before);
    database->beginTransaction();
    database->execute(QStringLiteral("insert into [abi] ([ABIABI], abibanc) values (2000, 'dopo')"));
    database->commitTransaction();
    ExpectProcedureDatabaseHolds(path, Joined(BanksFrom(990, 20), {AbiRow(2000, QStringLiteral("dopo"), Variant())}),
                                 {});
}

// Literals as the update writes them: exponent forms, signs, Null, doubled apostrophes.
TEST_F(WritableJet, StoresTheLiteralsTheUpdateWrites)
{
    const QString path = WriteJetProcedureDatabase(dir.path(), {}, {});
    RunJetStatements(
        path,
        {QStringLiteral("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc, AbcFiliale, AbcIndir, AbcCap, "
                        "AbcLocalita, AbcComune, AbcProv, AbcAbichk, AbcCabchk) VALUES (1005, 1600, "
                        "'Banca d''Esempio', 'Sede', Null, '00100', 'Roma', 'Roma', 'RM', 3, 7)"),
         QStringLiteral("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcCabchk) VALUES (-1, 1, -2.5)"),
         QStringLiteral("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcCabchk) VALUES (1, 2, 1.5E+20)"),
         QStringLiteral("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcCabchk) VALUES (1, 3, 1E-07)"),
         QStringLiteral("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcAbichk, AbcCabchk) VALUES (1, 4, 7.0, .25)"),
         QString::fromUtf8("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc, AbcFiliale, AbcIndir) VALUES "
                           "(1, 5, '\uFEFFbomx', '\uFEFF', '\uFEFF\uFEFFdue')")});
    const Variant null;
    ExpectProcedureDatabaseHolds(
        path, {},
        {AbicabRow(1005, 1600, QStringLiteral("Banca d'Esempio"), QStringLiteral("Sede"), null, QStringLiteral("00100"),
                   QStringLiteral("Roma"), QStringLiteral("Roma"), QStringLiteral("RM"), 3, 7.0),
         AbicabRow(-1, 1, null, null, null, null, null, null, null, null, -2.5),
         AbicabRow(1, 2, null, null, null, null, null, null, null, null, 1.5e20),
         AbicabRow(1, 3, null, null, null, null, null, null, null, null, 1e-7),
         AbicabRow(1, 4, null, null, null, null, null, null, null, 7, 0.25),
         AbicabRow(1, 5, QStringLiteral("\uFEFFbomx"), QStringLiteral("\uFEFF"), QStringLiteral("\uFEFF\uFEFFdue"),
                   null, null, null, null, null, null)});
}

// Tables whose indexes the writer cannot keep exact are refused as a whole,
// before the first change: characters the sort order has no weight for here.
TEST_F(WritableJet, RefusesTablesWhoseIndexesItCannotKeepExact)
{
    const QString cyrillic = copy(QStringLiteral("testUnicodeCompV2003.mdb"));
    const QByteArray cyrillicBefore = FileDigest(cyrillic);

    const RuntimeError characters = ErrorOf([&] {
        OpenWritableJetDatabase(cyrillic, QString())->execute(QStringLiteral("DELETE FROM [Table] WHERE ID >= 100"));
    });
    EXPECT_EQ(characters.number(), ErrorNumber::Failure);
    EXPECT_TRUE(characters.description().contains(QStringLiteral("ordinamento")))
        << characters.description().toStdString();
    EXPECT_EQ(FileDigest(cyrillic), cyrillicBefore);

    // The text column col1 of Table1 (definition on page 24, its first column) given the Cyrillic sort order.
    const QString otherOrder = copy(QStringLiteral("bigIndexTestV2000.mdb"), QStringLiteral("ordinamento.mdb"));
    {
        QFile file(otherOrder);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(24 * 4096 + 63 + 12 + 11));
        file.write(QByteArray("\x19\x04", 2));
    }
    const QByteArray otherOrderBefore = FileDigest(otherOrder);
    const RuntimeError sortOrder = ErrorOf([&] {
        OpenWritableJetDatabase(otherOrder, QString())
            ->execute(QStringLiteral("INSERT INTO Table1 (col1) VALUES ('a')"));
    });
    EXPECT_TRUE(sortOrder.description().contains(QStringLiteral("ordinamento diverso")))
        << sortOrder.description().toStdString();
    EXPECT_EQ(FileDigest(otherOrder), otherOrderBefore);

    // In a text that is not indexed any character is fine; in an indexed one the statement is refused.
    const QString text = copy(QStringLiteral("bigIndexTestV2000.mdb"));
    const QByteArray textBefore = FileDigest(text);
    EXPECT_EQ(ErrorNumberOf([&] {
                  RunJetStatements(text,
                                   {QStringLiteral("INSERT INTO Table1 (col2) VALUES ('Мир €')"),
                                    QStringLiteral("INSERT INTO Table1 (col1) VALUES ('Мир')")});
              }),
              ErrorNumber::Failure);
    EXPECT_EQ(FileDigest(text), textBefore);
    RunJetStatements(text, {QStringLiteral("INSERT INTO Table1 (col1, col2) VALUES ('Mir', 'Мир €')")});
    ExpectJetRowCount(text, QStringLiteral("Table1"), 1);
}

// Jet 3 keys texts in Access 97's General sort order, known here for a part
// of the characters: a text key it cannot encode is refused, the file
// unchanged, and one it can goes in with its key.
TEST_F(WritableJet, RefusesAJet3TextKeyItCannotEncode)
{
    const QString path = dir.filePath(QStringLiteral("comuni.mdb"));
    JetDatabaseWriter writer(QDateTime::currentDateTime(), QString(), JetVersion::Jet3);
    writer.addTable({QStringLiteral("Comuni"),
                     {{QStringLiteral("Nome"), JetColumnType::Text, 40}, {QStringLiteral("Abitanti")}},
                     {{QStringLiteral("PrimaryKey"), {QStringLiteral("Nome")}, true}}});
    writer.save(path);
    const QByteArray before = FileDigest(path);
    const RuntimeError refused = ErrorOf([&] {
        RunJetStatements(path,
                         {QStringLiteral("INSERT INTO Comuni (Nome, Abitanti) VALUES ('Roma', 2800000)"),
                          QStringLiteral("INSERT INTO Comuni (Nome, Abitanti) VALUES ('Forlì', 117000)")});
    });
    EXPECT_TRUE(refused.description().contains(QStringLiteral("ordinamento generale")))
        << refused.description().toStdString();
    EXPECT_EQ(FileDigest(path), before);

    RunJetStatements(path,
                     {QStringLiteral("INSERT INTO Comuni (Nome, Abitanti) VALUES ('Roma', 2800000)"),
                      QStringLiteral("INSERT INTO Comuni (Nome, Abitanti) VALUES ('Forli', 117000)")});
    EXPECT_EQ(CheckJet3Pages(path), QStringList());
    ExpectJetRowCount(path, QStringLiteral("Comuni"), 2);
}

// A query inside a transaction sees what the transaction has done so far.
TEST_F(WritableJet, QueriesInsideATransactionSeeItsChanges)
{
    const QString path = WriteJetProcedureDatabase(dir.path(), BanksFrom(990, 20), {});
    const auto database = OpenWritableJetDatabase(path, QString());
    database->beginTransaction();
    database->execute(QStringLiteral("DELETE FROM ABI WHERE AbiAbi >= 1000"));
    database->execute(QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (5000, 'nuova')"));
    EXPECT_EQ(database->query(QStringLiteral("SELECT AbiAbi FROM ABI")).rows.size(), 11U);
    database->execute(QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (5001, 'altra')"));
    database->commitTransaction();
    EXPECT_EQ(database->query(QStringLiteral("SELECT AbiAbi FROM ABI")).rows.size(), 12U);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    ExpectProcedureDatabaseHolds(
        path,
        Joined(BanksFrom(990, 10),
               {AbiRow(5000, QStringLiteral("nuova"), Variant()), AbiRow(5001, QStringLiteral("altra"), Variant())}),
        {});
}

// Permissions and owner of the file survive the rename of the new copy over it.
TEST_F(WritableJet, KeepsThePermissionsOfTheFile)
{
    const QString path = WriteJetProcedureDatabase(dir.path(), {}, {});
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(path, permissions);
    RunJetStatements(path, {QStringLiteral("INSERT INTO ABI (AbiAbi) VALUES (1)")});
    EXPECT_EQ(QFile::permissions(path) & 0x7077, permissions);  // owner, group, others
}

// Every row deleted: the trees go back to a single empty leaf, and the table takes rows again.
TEST_F(WritableJet, EmptiesATableAndFillsItAgain)
{
    const QString path = WriteJetProcedureDatabase(dir.path(), BanksFrom(1000, 10), ManyAbicabRows(2000));
    RunJetStatements(path,
                     {QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"),
                      QStringLiteral("DELETE FROM abicab WHERE abcabi >=1000")});
    ExpectProcedureDatabaseHolds(path, {}, {});
    RunJetStatements(path, {InsertStatement(ProcedureAbiDefinition(), AbiRow(1, QStringLiteral("Prima"), 1))});
    ExpectProcedureDatabaseHolds(path, {AbiRow(1, QStringLiteral("Prima"), 1)}, {});
}

// A column flagged AutoNumber that is not a Long Integer has no counter the
// writer knows: an INSERT that leaves it out is refused rather than store
// Null there.
TEST_F(WritableJet, RefusesToLeaveAnAutoNumberColumnOut)
{
    const QString path = WriteJetProcedureDatabase(dir.path(), {}, {});
    {
        // AbiAbichk, the third column of ABI, made an AutoNumber column in its descriptor.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const QByteArray name = QByteArray::fromRawData(reinterpret_cast<const char*>(u"AbiAbichk"), 18);
        const qsizetype page = bytes.indexOf(name) / 4096 * 4096;
        ASSERT_GT(page, 0);
        const qsizetype flags = page + 63 + 12 + 25 * 2 + 15;
        bytes[flags] = static_cast<char>(bytes[flags] | 0x04);
        file.seek(0);
        file.write(bytes);
    }
    const QByteArray before = FileDigest(path);
    const RuntimeError refused =
        ErrorOf([&] { RunJetStatements(path, {QStringLiteral("INSERT INTO ABI (AbiAbi) VALUES (1)")}); });
    EXPECT_EQ(refused.number(), ErrorNumber::Failure);
    EXPECT_TRUE(refused.description().contains(QStringLiteral("numero automatico")))
        << refused.description().toStdString();
    EXPECT_EQ(FileDigest(path), before);
    RunJetStatements(path, {QStringLiteral("INSERT INTO ABI (AbiAbi, AbiAbichk) VALUES (1, 7)")});
    ExpectProcedureDatabaseHolds(path, {AbiRow(1, Variant(), 7)}, {});
}

}  // namespace

// A column whose Required property is set takes no Null, as Jet refuses it.
TEST_F(WritableJet, RefusesNullInARequiredColumn)
{
    const QString path = copy(QStringLiteral("testV2000.mdb"));
    {
        // The value of the property Required of column A in Table1's
        // properties, as mdb-prop reads them: byte 0x1dc22, 0 for no.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(0x1dc22));
        ASSERT_EQ(file.read(1), QByteArray(1, '\0'));
        ASSERT_TRUE(file.seek(0x1dc22));
        file.write(QByteArray(1, '\1'));
    }
    const auto required = [](const QString& file) {
        QStringList columns;
        for (const JetProperty& property : JetRuleProperties(file, QStringLiteral("table1"))) {
            if (property.name == QLatin1String("Required") && property.value == QLatin1String("yes"))
                columns.append(property.column);
        }
        return columns;
    };
    ASSERT_EQ(required(path), QStringList{QStringLiteral("A")});
    EXPECT_TRUE(required(Sample(QStringLiteral("testV2000.mdb"))).isEmpty());

    const QByteArray before = FileDigest(path);
    for (const char* insert : {"INSERT INTO Table1 (B, C, H) VALUES ('b', 1, Null)",
                               "INSERT INTO Table1 (A, B, H) VALUES (Null, 'b', Null)"}) {
        const RuntimeError refused = ErrorOf([&] { RunJetStatements(path, {QString::fromLatin1(insert)}); });
        EXPECT_EQ(refused.number(), ErrorNumber::IntegrityViolation) << insert;
        EXPECT_TRUE(refused.description().contains(QStringLiteral("Required"))) << refused.description().toStdString();
    }
    EXPECT_EQ(FileDigest(path), before);
    RunJetStatements(path,
                     {QStringLiteral("INSERT INTO Table1 (A, B, C, D, E, H) VALUES ('z', 'y', 9, 99, 999, Null)")});
    EXPECT_EQ(OpenJetDatabase(path)->query(QStringLiteral("SELECT A FROM Table1")).rows.size(), 3U);
}

// A fixed-length Text column (c_flag_, Text 1) lies in the fixed part of
// the row: written there in plain UCS-2, padded with spaces as Jet pads it.
TEST_F(WritableJet, WritesFixedLengthTextColumnsInTheFixedPart)
{
    const QString path = dir.filePath(QStringLiteral("fixedText.mdb"));
    ASSERT_TRUE(QFile::copy(Sample(QStringLiteral("fixed-text/fixedTextTestV2000.mdb")), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QStringList tables = JetUserTables(path);
    tables.append(QStringLiteral("MSysObjects"));
    EXPECT_EQ(CheckJetTables(path, tables), QStringList()) << "as Access left it";
    const QString insert = QStringLiteral(
        "INSERT INTO users (i_user_id, c_user_login, c_user_pwd, c_user_session, c_user_name, i_user_flags, "
        "i_user_type, i_user_merch, c_flag_, d_stamp_) VALUES (%1, 'utente %1', 'x', '-1', 'Nome', 1, 2, 3, '%2', "
        "40000.5)");
    RunJetStatements(path,
                     {insert.arg(3).arg(QStringLiteral("S")), insert.arg(4).arg(QString()),
                      QStringLiteral("DELETE FROM users WHERE i_user_id >= 4"), insert.arg(5).arg(QString())});
    const QStringList problems = CheckJetTables(path, tables);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    ExpectJetRowCount(path, QStringLiteral("users"), 4);
    const ResultSet flags = OpenJetDatabase(path)->query(QStringLiteral("SELECT i_user_id, c_flag_ FROM users"));
    std::map<qint64, Variant> flagOf;
    for (const auto& row : flags.rows)
        flagOf[row[0].integer()] = row[1];
    const std::map<qint64, Variant> expected{{1, Variant(QStringLiteral("N"))},
                                             {2, Variant(QStringLiteral("N"))},
                                             {3, Variant(QStringLiteral("S"))},
                                             {5, Variant(QStringLiteral(" "))}};
    EXPECT_EQ(flagOf, expected);
    // Longer than the column: refused, the file unchanged.
    const QByteArray before = FileDigest(path);
    EXPECT_THROW(RunJetStatements(path, {insert.arg(6).arg(QStringLiteral("SI"))}), RuntimeError);
    EXPECT_EQ(FileDigest(path), before);
}
