#include "update/database_access.h"
#include "platform/runtime/runtime_error.h"
#include "support/error_capture.h"
#include "support/jet3_checker.h"
#include "support/jet_readback.h"
#include "support/procedure_databases.h"
#include "support/qt_printers.h"
#include "support/sqlite_file.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

class DatabaseAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.exec(QStringLiteral(
            "CREATE TABLE ABI (AbiAbi INTEGER PRIMARY KEY, AbiBanc VARCHAR(80), AbiAbichk INTEGER, Peso REAL);"
            "INSERT INTO ABI VALUES (1005, 'Banca d''Esempio', 3, 2.5);"
            "INSERT INTO ABI VALUES (3002, '', 0, NULL);"
            "INSERT INTO ABI VALUES (7001, NULL, -4, -0.125);"));
    }

    QTemporaryDir dir;
    SqliteFile db{dir.filePath(QStringLiteral("arcproc.db"))};
};

TEST_F(DatabaseAccess, ReadsAllRowsWithTheirTypesThroughAStaticCursor)
{
    Connection connection;
    connection.open(FileConnectionString(db.path()));
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM abi ORDER BY AbiAbi"), connection);
    ASSERT_FALSE(rs.eof());
    rs.moveLast();
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.field(QStringLiteral("abiabi")), Variant(7001));
    rs.moveFirst();
    EXPECT_EQ(rs.field(QStringLiteral("AbiAbi")), Variant(1005));
    EXPECT_EQ(rs.field(QStringLiteral("ABIBANC")), Variant("Banca d'Esempio"));
    EXPECT_EQ(rs.field(QStringLiteral("Peso")), Variant(2.5));
    rs.moveNext();
    EXPECT_EQ(rs.field(QStringLiteral("AbiBanc")), Variant(QString()));
    EXPECT_FALSE(rs.field(QStringLiteral("AbiBanc")).isNull());
    EXPECT_TRUE(rs.field(QStringLiteral("Peso")).isNull());
    rs.moveNext();
    EXPECT_TRUE(rs.field(QStringLiteral("AbiBanc")).isNull());
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(ErrorOf([&] { rs.field(QStringLiteral("AbiAbi")); }).number(), ErrorNumber::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rs.moveNext(); }).number(), ErrorNumber::NoCurrentRecord);
    rs.moveFirst();
    EXPECT_EQ(ErrorOf([&] { rs.field(QStringLiteral("AbiBic")); }).number(), ErrorNumber::ItemNotFound);
}

TEST_F(DatabaseAccess, RunsStatementsAtOnceAndKeepsOrDropsTransactions)
{
    Connection connection;
    connection.open(FileConnectionString(db.path()));
    Command command;
    command.setCommandType(CommandType::Text);
    command.setActiveConnection(connection);
    command.setCommandText(QStringLiteral("DELETE FROM abi WHERE abiabi >=3000"));
    command.execute();
    EXPECT_EQ(db.rows(QStringLiteral("SELECT AbiAbi FROM ABI")), QStringList{QStringLiteral("1005")});

    connection.beginTransaction();
    command.setCommandText(QStringLiteral("DELETE FROM abi"));
    command.execute();
    connection.rollbackTransaction();
    EXPECT_EQ(db.rows(QStringLiteral("SELECT AbiAbi FROM ABI")), QStringList{QStringLiteral("1005")});

    connection.beginTransaction();
    command.setCommandText(QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc, AbiAbichk) VALUES (1, 'Uno', 1)"));
    command.execute();
    connection.commitTransaction();
    EXPECT_EQ(db.rows(QStringLiteral("SELECT AbiAbi FROM ABI ORDER BY 1")),
              (QStringList{QStringLiteral("1"), QStringLiteral("1005")}));
}

TEST_F(DatabaseAccess, GivesEachFailureItsNumberAndTheEnginesMessage)
{
    Connection connection;
    connection.open(FileConnectionString(db.path()));
    Command command;
    command.setActiveConnection(connection);
    const auto run = [&](const char* sql) {
        return ErrorOf([&] {
            command.setCommandText(QString::fromUtf8(sql));
            command.execute();
        });
    };
    const RuntimeError duplicate = run("INSERT INTO ABI (AbiAbi) VALUES (1005)");
    EXPECT_EQ(duplicate.number(), ErrorNumber::IntegrityViolation);
    EXPECT_TRUE(duplicate.description().contains(QStringLiteral("UNIQUE"))) << duplicate.description().toStdString();
    EXPECT_EQ(run("DELETE FROM manca").number(), ErrorNumber::NoSuchTable);
    EXPECT_EQ(run("INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (, 'x')").number(), ErrorNumber::StatementRejected);
    EXPECT_EQ(run("INSERT INTO ABI (Manca) VALUES (1)").number(), ErrorNumber::StatementRejected);
    Recordset rs;
    EXPECT_EQ(ErrorOf([&] { rs.open(QStringLiteral("SELECT * FROM manca"), connection); }).number(),
              ErrorNumber::NoSuchTable);
}

TEST_F(DatabaseAccess, EndsReadersAndCommandsWithTheirConnection)
{
    auto connection = std::make_unique<Connection>();
    connection->open(FileConnectionString(db.path()));
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM ABI"), *connection);
    Command command;
    command.setActiveConnection(*connection);
    connection->close();
    EXPECT_EQ(ErrorOf([&] { rs.eof(); }).number(), ErrorNumber::ObjectClosed);
    EXPECT_EQ(ErrorOf([&] { command.execute(); }).number(), ErrorNumber::NoActiveConnection);
    EXPECT_EQ(ErrorOf([&] { connection->close(); }).number(), ErrorNumber::ObjectClosed);
    connection.reset();  // a command that outlives its connection must not reach it
    EXPECT_EQ(ErrorOf([&] { command.execute(); }).number(), ErrorNumber::NoActiveConnection);
}

TEST_F(DatabaseAccess, TracesEveryQueryAndStatement)
{
    QStringList seen;
    Connection connection;
    connection.setTrace([&](const QString& sql) { seen.append(sql); });
    connection.open(FileConnectionString(db.path()));
    Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM ABI"), connection);
    Command command;
    command.setActiveConnection(connection);
    command.setCommandText(QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"));
    command.execute();
    EXPECT_EQ(
        seen,
        (QStringList{QStringLiteral("SELECT * FROM ABI"), QStringLiteral("DELETE FROM abi WHERE abiabi >=1000")}));
}

TEST_F(DatabaseAccess, OpensAceFilesReadOnlySayingWhichFormatItCannotWrite)
{
    {
        const QString sample = QStringLiteral(CORVANTA_JET_SAMPLES "/testV2007.accdb");
        for (const QString& provider :
             {QStringLiteral("Microsoft.ACE.OLEDB.12.0"), QStringLiteral("microsoft.jet.oledb.4.0")}) {
            Connection connection;
            connection.open(QStringLiteral("Provider=") + provider + QStringLiteral(";Data Source=") + sample
                            + QStringLiteral(";;"));
            Recordset rs;
            rs.open(QStringLiteral("SELECT * FROM Table1"), connection);
            rs.moveLast();
            EXPECT_EQ(rs.recordCount(), 2);
            Command command;
            command.setActiveConnection(connection);
            command.setCommandText(QStringLiteral("DELETE FROM Table1 WHERE C >=1000"));
            const RuntimeError refused = ErrorOf([&] { command.execute(); });
            EXPECT_EQ(refused.number(), ErrorNumber::ReadOnlyDatabase);
            EXPECT_TRUE(refused.description().contains(QStringLiteral("non scrive database nel formato ACE")))
                << refused.description().toStdString();
        }
    }
}

// An Access 97 file is written in place like a Jet 4 one: its rows, its
// integer indexes and the relationships between its tables.
TEST_F(DatabaseAccess, WritesJet3Files)
{
    const QString copy = dir.filePath(QStringLiteral("indexTestV1997.mdb"));
    QFile::copy(QStringLiteral(CORVANTA_JET_SAMPLES "/indexTestV1997.mdb"), copy);
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    Connection connection;
    connection.open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + copy + QStringLiteral(";;"));
    const auto execute = [&](const char* statement) {
        return ErrorOf([&] {
            Command command;
            command.setActiveConnection(connection);
            command.setCommandText(QString::fromUtf8(statement));
            command.execute();
        });
    };
    EXPECT_EQ(execute("DELETE FROM Table1 WHERE id >=2").number(), 0);
    EXPECT_EQ(
        execute("INSERT INTO Table1 (id, otherfk1, otherfk2, data, otherfk3) VALUES (7, 2, 13, 'nuova', 0)").number(),
        0);
    const QByteArray before = FileDigest(copy);
    EXPECT_EQ(execute("INSERT INTO Table1 (id, otherfk1, otherfk2, data) VALUES (7, 0, 10, 'doppia')").number(),
              ErrorNumber::IntegrityViolation);
    EXPECT_EQ(FileDigest(copy), before);
    EXPECT_EQ(CheckJet3Pages(copy), QStringList());
    ExpectJetRowCount(copy, QStringLiteral("Table1"), 3);
}

// checks it against the file's header, also for a source that has one.
TEST_F(DatabaseAccess, OpensAJet4DatabaseWithItsPasswordOnly)
{
    QString sample = QStringLiteral(CORVANTA_JET_SAMPLES "/passwordV2000.mdb");
    int rows = 3;
    const auto open = [&](const QString& password) {
        return ErrorOf([&] {
            Connection connection;
            QString text = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + sample;
            if (!password.isNull())
                text += QStringLiteral(";Jet OLEDB:Database Password=") + password;
            connection.open(text + QStringLiteral(";;"));
            Recordset rs;
            rs.open(QStringLiteral("SELECT * FROM Table1"), connection);
            rs.moveLast();
            EXPECT_EQ(rs.recordCount(), rows);
        });
    };
    EXPECT_EQ(open(QStringLiteral("password")).number(), 0);
    for (const QString& wrong :
         {QString(), QStringLiteral("Password"), QStringLiteral("passwor"), QStringLiteral("")}) {
        const RuntimeError refused = open(wrong);
        EXPECT_EQ(refused.number(), ErrorNumber::AuthenticationFailed);
        EXPECT_EQ(refused.description(), QStringLiteral("Password non valida."));
    }
    // A database without a password opens with any.
    sample = QStringLiteral(CORVANTA_JET_SAMPLES "/testV2000.mdb");
    rows = 2;
    EXPECT_EQ(open(QStringLiteral("qualsiasi")).number(), 0);
}

TEST_F(DatabaseAccess, RefusesWhatItCannotOpen)
{
    const QString text = dir.filePath(QStringLiteral("note.mdb"));
    QFile file(text);
    file.open(QIODevice::WriteOnly);
    file.write("Questo non è un database.\n");
    file.close();
    const QString missing = dir.filePath(QStringLiteral("manca.mdb"));

    const auto openError = [](const QString& connectionString) {
        return ErrorOf([&] {
            Connection connection;
            connection.open(connectionString);
        });
    };
    const RuntimeError notFound = openError(FileConnectionString(missing));
    EXPECT_EQ(notFound.number(), ErrorNumber::Failure);
    EXPECT_EQ(notFound.description(), QStringLiteral("Impossibile trovare il file di database '%1'.").arg(missing));
    EXPECT_FALSE(QFile::exists(missing));  // never created by the attempt
    EXPECT_EQ(openError(FileConnectionString(text)).description(),
              QStringLiteral("Il file '%1' non è un database in un formato riconosciuto.").arg(text));
    EXPECT_EQ(openError(FileConnectionString(dir.path())).description(),
              QStringLiteral("Il percorso del database '%1' è una cartella, non un file di database.").arg(dir.path()));
    EXPECT_EQ(openError(QStringLiteral("Provider=Nessuno;Data Source=") + db.path()).number(),
              ErrorNumber::ProviderNotFound);
    EXPECT_EQ(openError(QStringLiteral("Data Source=") + db.path()).number(), ErrorNumber::ProviderNotFound);
}

}  // namespace
