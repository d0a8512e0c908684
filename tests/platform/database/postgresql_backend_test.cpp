#include "platform/database/postgresql/postgresql_backend.h"
#include "platform/database/engine_waits.h"
#include "servers/postgresql_server.h"
#include "servers/silent_server.h"
#include "support/error_capture.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <future>

namespace {

class PostgresqlBackend : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new PostgresqlServer({QStringLiteral("standard_conforming_strings=off")}); }
    static void TearDownTestSuite() { delete server; }

    void SetUp() override
    {
        database = QStringLiteral("t%1").arg(++databases);
        server->createDatabase(database);
        server->exec(database,
                     QStringLiteral("CREATE TABLE abi (AbiAbi INTEGER PRIMARY KEY, AbiBanc VARCHAR(10) NOT NULL,"
                                    " Peso DOUBLE PRECISION, Quota NUMERIC(6,2), Attiva BOOLEAN)"));
    }

    PostgresqlLogin login() const
    {
        return {server->socketFolder(), server->port(), database, server->superuser(), server->password()};
    }
    QStringList codes() const { return server->rows(database, QStringLiteral("SELECT AbiAbi FROM abi ORDER BY 1")); }

    static inline PostgresqlServer* server = nullptr;
    static inline int databases = 0;
    QString database;
};

TEST_F(PostgresqlBackend, ReadsNumbersTextsAndNullsWithTheirTypes)
{
    server->exec(database,
                 QStringLiteral("INSERT INTO abi VALUES (1005, 'd''Esempio', 2.5, 12.25, true),"
                                " (7001, '', NULL, NULL, false)"));
    const auto db = OpenPostgresqlDatabase(login());
    const ResultSet rows = db->query(QStringLiteral("SELECT * FROM abi ORDER BY AbiAbi"));
    EXPECT_EQ(rows.columns,
              (QStringList{QStringLiteral("abiabi"), QStringLiteral("abibanc"), QStringLiteral("peso"),
                           QStringLiteral("quota"), QStringLiteral("attiva")}));
    ASSERT_EQ(rows.rows.size(), 2U);
    EXPECT_EQ(rows.rows[0],
              (std::vector<Variant>{Variant(1005), Variant("d'Esempio"), Variant(2.5), Variant(12.25), Variant(-1)}));
    EXPECT_EQ(rows.rows[1],
              (std::vector<Variant>{Variant(7001), Variant(QString()), Variant(), Variant(), Variant(0)}));
}

// Rows come one at a time as the server sends them: an answer without rows
// still has its columns, and a statement that fails after its first rows
// gives its error and none of them, and leaves the connection to the next.
TEST_F(PostgresqlBackend, AnswersTheColumnsOfNoRowsAndNothingOfAStatementThatFailsPartWay)
{
    const auto db = OpenPostgresqlDatabase(login());
    const ResultSet none = db->query(QStringLiteral("SELECT AbiAbi, AbiBanc FROM abi WHERE false"));
    EXPECT_EQ(none.columns, (QStringList{QStringLiteral("abiabi"), QStringLiteral("abibanc")}));
    EXPECT_TRUE(none.rows.empty());
    // Some 5 MB of rows come before the failure, far more than the server holds back.
    const RuntimeError failed = ErrorOf([&] {
        db->query(QStringLiteral("SELECT repeat('x', 1000) || 10 / (5000 - g) FROM generate_series(1, 10000) AS g"));
    });
    EXPECT_TRUE(failed.description().contains(QStringLiteral("division by zero")))
        << failed.description().toStdString();
    const ResultSet after = db->query(QStringLiteral("SELECT g FROM generate_series(1, 3) AS g"));
    ASSERT_EQ(after.rows.size(), 3U);
    EXPECT_EQ(after.rows[2], std::vector<Variant>{Variant(3)});
}

TEST_F(PostgresqlBackend, SendsStatementsAheadAndCommitsThemAll)
{
    const auto db = OpenPostgresqlDatabase(login());
    db->beginTransaction();
    for (int i = 0; i < 1000; ++i)  // several times the statements allowed in flight
        db->execute(QStringLiteral("INSERT INTO abi (AbiAbi, AbiBanc) VALUES (%1, 'B\\''')").arg(i));
    db->commitTransaction();
    EXPECT_EQ(codes().size(), 1000);
    EXPECT_EQ(server->rows(database, QStringLiteral("SELECT DISTINCT AbiBanc FROM abi")),
              QStringList{QStringLiteral("B\\'")});
}

TEST_F(PostgresqlBackend, NamesTheFailedStatementAndAppliesNothing)
{
    server->exec(database,
                 QStringLiteral("INSERT INTO abi (AbiAbi, AbiBanc) VALUES (300, 'Locale'), (5000, 'Vecchia')"));
    // Statement 1 is the deletion, statement i the insert that follows it;
    // the failing one clashes with a kept code: the first insert, the next,
    // and one far behind the statements in flight.
    for (const quint64 failing : {2U, 3U, 700U}) {
        SCOPED_TRACE(failing);
        const auto db = OpenPostgresqlDatabase(login());
        db->beginTransaction();
        std::optional<StatementError> failure;
        try {
            db->execute(QStringLiteral("DELETE FROM abi WHERE AbiAbi >= 1000"));
            for (quint64 i = 2; i <= 1000; ++i)
                db->execute(QStringLiteral("INSERT INTO abi (AbiAbi, AbiBanc) VALUES (%1, 'B')")
                                .arg(i == failing ? 300 : 1000 + i));
            db->commitTransaction();
        } catch (const StatementError& error) {
            failure = error;
            db->rollbackTransaction();
        }
        ASSERT_TRUE(failure) << "the failure was never raised";
        EXPECT_EQ(failure->statement(), failing);
        EXPECT_EQ(failure->number(), ErrorNumber::IntegrityViolation);
        EXPECT_EQ(codes(), (QStringList{QStringLiteral("300"), QStringLiteral("5000")}));
        // The connection goes on working after the rollback.
        EXPECT_EQ(db->query(QStringLiteral("SELECT count(*) FROM abi")).rows.at(0).at(0), Variant(2));
    }
}

TEST_F(PostgresqlBackend, DescribesEachFailureInItalianWithTheServersMessage)
{
    server->exec(database, QStringLiteral("INSERT INTO abi (AbiAbi, AbiBanc) VALUES (300, 'Locale')"));
    const auto db = OpenPostgresqlDatabase(login());
    struct Case {
        const char* sql;
        std::int32_t number;
        const char* italian;
        const char* server;
    };
    const Case cases[] = {
        {"INSERT INTO abi (AbiAbi, AbiBanc) VALUES (300, 'x')", ErrorNumber::IntegrityViolation,
         "Il codice è già presente", "duplicate key"},
        {"INSERT INTO abi (AbiAbi) VALUES (301)", ErrorNumber::IntegrityViolation, "La riga non rispetta un vincolo",
         "null value"},
        {"DELETE FROM manca", ErrorNumber::NoSuchTable, "Una tabella indicata", "manca"},
        {"INSERT INTO abi (Manca) VALUES (1)", ErrorNumber::StatementRejected, "Una colonna indicata", "manca"},
        {"INSERT INTO abi (AbiAbi, AbiBanc) VALUES (302, 'undici car.')", ErrorNumber::StatementRejected,
         "Un valore non è ammesso", "too long"},
        {"INSERT INTO abi VALUES (,)", ErrorNumber::StatementRejected, "Il database ha rifiutato", "syntax"},
        {"DELETE FROM abi; DELETE FROM abi", ErrorNumber::StatementRejected, "Il database ha rifiutato",
         "multiple commands"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const RuntimeError error = ErrorOf([&] { db->execute(QString::fromUtf8(c.sql)); });
        EXPECT_EQ(error.number(), c.number) << error.description().toStdString();
        EXPECT_TRUE(error.description().startsWith(QString::fromUtf8(c.italian))) << error.description().toStdString();
        EXPECT_TRUE(error.description().contains(QStringLiteral("("))
                    && error.description().contains(QString::fromUtf8(c.server)))
            << error.description().toStdString();
    }
    EXPECT_EQ(codes(), QStringList{QStringLiteral("300")});

    server->exec(database, QStringLiteral("ALTER DATABASE %1 SET default_transaction_read_only = on").arg(database));
    const auto readOnly = OpenPostgresqlDatabase(login());
    EXPECT_EQ(ErrorNumberOf([&] { readOnly->execute(QStringLiteral("DELETE FROM abi")); }),
              ErrorNumber::ReadOnlyDatabase);
}

TEST_F(PostgresqlBackend, RefusesAWrongLoginAndASilentServerWithinSeconds)
{
    PostgresqlLogin wrong = login();
    wrong.password = QStringLiteral("sbagliata");
    const RuntimeError refused = ErrorOf([&] { OpenPostgresqlDatabase(wrong); });
    EXPECT_EQ(refused.number(), ErrorNumber::Failure);
    EXPECT_TRUE(refused.description().startsWith(QStringLiteral("Impossibile aprire il database.")))
        << refused.description().toStdString();
    EXPECT_TRUE(refused.description().contains(QStringLiteral("password authentication failed")))
        << refused.description().toStdString();

    SilentServer silent;
    QElapsedTimer timer;
    timer.start();
    const RuntimeError unanswered = ErrorOf([&] {
        OpenPostgresqlDatabase({QStringLiteral("127.0.0.1"), QString::number(silent.port()), database,
                                server->superuser(), server->password()});
    });
    EXPECT_EQ(unanswered.number(), ErrorNumber::Failure);
    EXPECT_LT(timer.elapsed(), 15000);
}

TEST_F(PostgresqlBackend, GivesUpOnAnotherProgramsLockAndSaysHowLongItWaited)
{
    // Another session holds the table while the tool wants to change it.
    QProcess holder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), server->password());
    holder.setProcessEnvironment(environment);
    holder.start(QStringLiteral("/usr/lib/postgresql/15/bin/psql"),
                 {QStringLiteral("-X"), QStringLiteral("-h"), server->socketFolder(), QStringLiteral("-U"),
                  server->superuser(), QStringLiteral("-d"), database, QStringLiteral("-c"),
                  QStringLiteral("BEGIN; LOCK TABLE abi; SELECT pg_sleep(30); COMMIT;")});
    ASSERT_TRUE(holder.waitForStarted());
    const auto db = OpenPostgresqlDatabase(login());
    while (db->query(QStringLiteral("SELECT count(*) FROM pg_locks WHERE mode = 'AccessExclusiveLock' AND granted"))
               .rows.at(0)
               .at(0)
           == Variant(0))
        QThread::msleep(50);

    db->beginTransaction();
    const RuntimeError error = ErrorOf([&] {
        db->execute(QStringLiteral("DELETE FROM abi"));
        db->commitTransaction();
    });
    db->rollbackTransaction();
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(error.number(), ErrorNumber::Failure);
    EXPECT_TRUE(error.description().startsWith(QStringLiteral("Il database è in uso da un altro programma.")))
        << error.description().toStdString();
    EXPECT_TRUE(error.description().contains(QStringLiteral("%1 secondi").arg(WaitSeconds(EngineWait::ServerLock))))
        << error.description().toStdString();
    EXPECT_TRUE(error.description().contains(QStringLiteral("Lo tengono occupato: utente 'postgres' con 'psql'.")))
        << error.description().toStdString();
}

// The postmaster and its backends stop mid-transaction, as on a machine
// that hangs: the kernel still answers, the server does not.
TEST(PostgresqlSilence, GivesUpOnAServerThatStopsAnsweringAndChangesNothing)
{
    PostgresqlServer server;
    server.createDatabase(QStringLiteral("arcproc"));
    server.exec(QStringLiteral("arcproc"),
                QStringLiteral("CREATE TABLE abi (AbiAbi INTEGER PRIMARY KEY); INSERT INTO abi VALUES (300), (5000)"));
    const auto db = OpenPostgresqlDatabase(
        {server.socketFolder(), server.port(), QStringLiteral("arcproc"), server.superuser(), server.password()});
    db->beginTransaction();
    db->execute(QStringLiteral("DELETE FROM abi WHERE AbiAbi >= 1000"));
    db->awaitStatements();

    server.signalAll(SIGSTOP);
    auto outcome = std::async(std::launch::async, [&] {
        return ErrorOf([&] {
            for (int code = 1000; code < 3000; ++code)
                db->execute(QStringLiteral("INSERT INTO abi VALUES (%1)").arg(code));
            db->commitTransaction();
        });
    });
    // The test's own wait is bounded: the server resumes in any case.
    const bool gaveUp = outcome.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    server.signalAll(SIGCONT);
    const RuntimeError error = outcome.get();
    EXPECT_TRUE(gaveUp) << "still waiting for the stopped server after 20 s";
    EXPECT_EQ(error.number(), ErrorNumber::Failure);
    EXPECT_TRUE(
        error.description().startsWith(QStringLiteral("La connessione al database si è interrotta. Il server non "
                                                      "ha risposto per %1 secondi.")
                                           .arg(WaitSeconds(EngineWait::Answer))))
        << error.description().toStdString();
    // The connection is given up on: the rollback does not wait again.
    EXPECT_EQ(ErrorOf([&] { db->rollbackTransaction(); }).description(), error.description());
    EXPECT_EQ(server.rows(QStringLiteral("arcproc"), QStringLiteral("SELECT AbiAbi FROM abi ORDER BY 1")),
              (QStringList{QStringLiteral("300"), QStringLiteral("5000")}));
}

}  // namespace
