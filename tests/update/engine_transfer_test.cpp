// Whole transfers from a Jet source into a procedure database on every engine
// that can run here, each server started by the test itself.
#include "layouts/procedure_schema.h"
#include "platform/runtime/runtime_error.h"
#include "servers/mariadb_server.h"
#include "servers/postgresql_server.h"
#include "support/no_progress.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"
#include "support/source_databases.h"
#include "support/sqlite_file.h"
#include "update/code_transfer.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QTemporaryDir>
#include <optional>

namespace {

// A procedure database on one engine: how the profile reaches it, and a way
// around the layer under test to set it up and read it back.
class Destination {
public:
    virtual ~Destination() = default;
    virtual QString connectionString() const = 0;
    virtual void exec(const QString& sql) const = 0;
    // Every row of a query, values joined by "|", Null written as NULL.
    virtual QStringList rows(const QString& sql) const = 0;
};

class SqliteDestination : public Destination {
public:
    QString connectionString() const override { return FileConnectionString(file_.path()); }
    void exec(const QString& sql) const override { file_.exec(sql); }
    QStringList rows(const QString& sql) const override { return file_.rows(sql); }

private:
    QTemporaryDir dir_;
    SqliteFile file_{dir_.filePath(QStringLiteral("ARCPROC.db"))};
};

// The server reads "\'" as an escaped apostrophe unless the session says
// otherwise: the tool's sessions must.
class PostgresqlDestination : public Destination {
public:
    PostgresqlDestination() { server_.createDatabase(database()); }
    QString connectionString() const override
    {
        return QStringLiteral("Provider=PostgreSQL;Data Source=%1;Port=%2;Initial Catalog=%3;User ID=%4;Password=%5;")
            .arg(server_.socketFolder(), server_.port(), database(), server_.superuser(), server_.password());
    }
    void exec(const QString& sql) const override { server_.exec(database(), sql); }
    QStringList rows(const QString& sql) const override { return server_.rows(database(), sql); }

protected:
    static QString database() { return QStringLiteral("arcproc"); }
    PostgresqlServer server_{{QStringLiteral("standard_conforming_strings=off")}};
};

// The same server through psqlODBC, by a data source of a temporary odbc.ini.
class OdbcPostgresqlDestination : public PostgresqlDestination {
public:
    OdbcPostgresqlDestination()
    {
        QFile ini(dir_.filePath(QStringLiteral("odbc.ini")));
        ini.open(QIODevice::WriteOnly);
        // unixODBC keeps what it read of odbc.ini: each server gets a name of its own.
        dsn_ = QStringLiteral("Corvanta-%1").arg(QFileInfo(dir_.path()).fileName().right(6));  // at most 32 characters
        ini.write(QStringLiteral("[%4]\nDriver = PostgreSQL Unicode\nServername = %1\nPort = %2\nDatabase = %3\n")
                      .arg(server_.socketFolder(), server_.port(), database(), dsn_)
                      .toUtf8());
        ini.close();
        qputenv("ODBCINI", ini.fileName().toLocal8Bit());
    }
    ~OdbcPostgresqlDestination() override { qunsetenv("ODBCINI"); }
    QString connectionString() const override
    {
        return QStringLiteral("Provider=MSDASQL.1;DSN=%1;UID=%2;PWD=%3;")
            .arg(dsn_, server_.superuser(), server_.password());
    }

private:
    QTemporaryDir dir_;
    QString dsn_;
};

// MariaDB reads "\'" as an escaped apostrophe unless the session's SQL mode
// says otherwise; its names follow the case of the files unless told not to,
// as a server for a Windows-born application is. Without strict mode, as
// here, it would also cut what does not fit unless the session refuses it.
class OdbcMariadbDestination : public Destination {
public:
    QString connectionString() const override
    {
        return QStringLiteral("Driver={MariaDB Unicode};Socket=%1;Database=%2;UID=%3;PWD=%4;CHARSET=utf8mb4;")
            .arg(server_.socketPath(), server_.database(), server_.user(), server_.password());
    }
    void exec(const QString& sql) const override { server_.exec(sql); }
    QStringList rows(const QString& sql) const override { return server_.rows(sql); }

private:
    MariadbServer server_{{QStringLiteral("--sql-mode=")}};
};

std::unique_ptr<Destination> MakeDestination(const std::string& engine)
{
    if (engine == "SQLite")
        return std::make_unique<SqliteDestination>();
    if (engine == "PostgreSQL")
        return std::make_unique<PostgresqlDestination>();
    if (engine == "OdbcPostgreSQL")
        return std::make_unique<OdbcPostgresqlDestination>();
    return std::make_unique<OdbcMariadbDestination>();
}

const QString kSchema =
    QLatin1String(kCodeTablesSchema)
    + QStringLiteral(
        "INSERT INTO ABI VALUES (300, 'Banca Locale', 1, 'LOCAITM1');"
        "INSERT INTO ABI VALUES (999, 'Ultima Locale', 2, NULL);"
        "INSERT INTO ABI VALUES (1000, 'Vecchia Mille', 3, 'VECCITMM');"
        "INSERT INTO ABI VALUES (5000, 'Vecchia Cinquemila', 4, NULL);"
        "INSERT INTO ABICAB VALUES (300, 100, 'Banca Locale', 'Sede', NULL, '10100', 'Torino', 'Torino', 'TO', 1, 5);"
        "INSERT INTO ABICAB VALUES (1000, 200, 'Vecchia Mille', 'Sede', NULL, '20100', 'Milano', 'Milano', 'MI', 3, "
        "6);");

// Texts that end a literal early where a backslash escapes, break lines,
// lie beyond the BMP or fill their column.
const QString kInjection = QStringLiteral("x\\'); DELETE FROM abi; --");
const QString kTrailingBackslash = QStringLiteral("Banca dell'Adige \\");
const QString kLines = QStringLiteral("Riga uno\r\nRiga due\n\tfine");
const QString kBeyondBmp = QStringLiteral("Banca \U0001D11E \U0001F600 Ω");
const QString kFull = QStringLiteral("È").repeated(40) + QStringLiteral("a'\\").repeated(13) + QStringLiteral("z");

class EngineTransfer : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        destination = MakeDestination(GetParam());
        destination->exec(kSchema);
    }

    QStringList state() const
    {
        return destination->rows(QStringLiteral("SELECT * FROM ABI ORDER BY 1"))
            + destination->rows(QStringLiteral("SELECT * FROM ABICAB ORDER BY 1, 2"));
    }

    // Runs the transfer from a Jet source with these tables; a failure is
    // kept with the line it was raised at.
    void run(const std::vector<JetTable>& tables)
    {
        QTemporaryDir sourceDir;
        auto origine = std::make_unique<Connection>();
        origine->open(FileConnectionString(WriteSourceDatabase(sourceDir.path(), tables)));
        auto destinazione = std::make_unique<Connection>();
        destinazione->open(destination->connectionString());
        ScriptedUiServices ui;
        NoProgress progress;
        try {
            EXPECT_EQ(TrasferisciCodici(ui, origine, destinazione, progress, linea), TransferOutcome::Completed);
        } catch (const RuntimeError& error) {
            failure = error;
            if (const auto* sentAhead = dynamic_cast<const StatementError*>(&error))
                failedStatement = sentAhead->statement();
        }
    }

    std::unique_ptr<Destination> destination;
    int linea = 0;
    std::optional<RuntimeError> failure;
    std::optional<quint64> failedStatement;
};

TEST_P(EngineTransfer, StoresEverySourceRowExactlyAndKeepsCodesBelowAThousand)
{
    run({AbiTable({AbiRow(1001, kInjection, 1), AbiRow(1002, kTrailingBackslash, 2), AbiRow(1003, kLines, 3),
                   AbiRow(1004, kBeyondBmp, 4), AbiRow(1005, kFull, 5), AbiRow(500, "Nuova sotto i mille", 6),
                   AbiRow(1006, Variant(), 7), AbiRow(1007, "", 8)}),
         AbicabTable({AbicabRow(1001, 10, kInjection, kFull, kLines, "00100", "L'Aquila", "L'Aquila", "AQ", 1, 4.0),
                      AbicabRow(1004, 20, kBeyondBmp, "Sede \\N", Variant(), "", "Forlì", "Forlì", "FC", 4, -2.0)})});

    ASSERT_FALSE(failure) << failure->description().toStdString();
    EXPECT_EQ(state(),
              (QStringList{
                  QStringLiteral("300|Banca Locale|1|LOCAITM1"),
                  QStringLiteral("500|Nuova sotto i mille|6|NULL"),
                  QStringLiteral("999|Ultima Locale|2|NULL"),
                  QStringLiteral("1001|%1|1|NULL").arg(kInjection),
                  QStringLiteral("1002|%1|2|NULL").arg(kTrailingBackslash),
                  QStringLiteral("1003|%1|3|NULL").arg(kLines),
                  QStringLiteral("1004|%1|4|NULL").arg(kBeyondBmp),
                  QStringLiteral("1005|%1|5|NULL").arg(kFull),
                  QStringLiteral("1006|NULL|7|NULL"),
                  QStringLiteral("1007|NULL|8|NULL"),
                  QStringLiteral("300|100|Banca Locale|Sede|NULL|10100|Torino|Torino|TO|1|5"),
                  QStringLiteral("1001|10|%1|%2|%3|00100|L'Aquila|L'Aquila|AQ|1|4").arg(kInjection, kFull, kLines),
                  QStringLiteral("1004|20|%1|Sede \\N|NULL|NULL|Forlì|Forlì|FC|4|-2").arg(kBeyondBmp),
              }));
}

TEST_P(EngineTransfer, LeavesTheDatabaseUnchangedWhenARowIsRefused)
{
    const QStringList before = state();
    const auto branch = [](int abi, int cab) {
        return AbicabRow(abi, cab, "Banca", "Filiale", Variant(), "00100", "Roma", "Roma", "RM", 1, 1.0);
    };
    struct Case {
        const char* name;
        SourceRows banks;
        SourceRows branches;
        int line;
        quint64 statement;  // counted from the transaction's first, the first deletion
        const char* codes;  // of the refused row, as the description names them
    };
    const std::vector<Case> cases{
        {"first bank clashes with a kept code",
         {AbiRow(300, "Doppione", 1), AbiRow(1001, "Banca", 1)},
         {branch(1001, 10)},
         970,
         3,
         "La riga inserita ha ABI 300."},
        {"a later branch repeats a key",
         {AbiRow(1001, "Banca", 1)},
         {branch(1001, 10), branch(1001, 20), branch(1001, 30), branch(1001, 20), branch(1001, 40)},
         1200,
         2 + 1 + 4,
         "La riga inserita ha ABI 1001, CAB 20."},
        // The server refuses the second branch while the sixth, still being
        // built, cannot be converted: the refusal comes first in statement
        // order, and an engine that answers late must still report it.
        {"a refused branch before a row the tool cannot convert",
         {AbiRow(1001, "Banca", 1)},
         {branch(1001, 10), branch(300, 100), branch(1001, 30), branch(1001, 40), branch(1001, 50),
          AbicabRow(1001, 60, "Banca", "Filiale", Variant(), "00100", "Roma", "Roma", "RM", 1, Variant())},
         1200,
         2 + 1 + 2,
         "La riga inserita ha ABI 300, CAB 100."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        failure.reset();
        failedStatement.reset();
        run({AbiTable(c.banks), AbicabTable(c.branches)});
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->number(), ErrorNumber::IntegrityViolation);
        EXPECT_TRUE(failure->description().startsWith(QStringLiteral("Il codice è già presente nel database: la riga "
                                                                     "duplicherebbe una chiave. ")
                                                      + QString::fromUtf8(c.codes) + QStringLiteral(" (")))
            << failure->description().toStdString();
        EXPECT_TRUE(failure->description().endsWith(QLatin1Char(')'))) << failure->description().toStdString();
        EXPECT_EQ(linea, c.line);
        // An engine that sent the row ahead names it.
        if (failedStatement) {
            EXPECT_EQ(*failedStatement, c.statement);
        }
        EXPECT_EQ(state(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineTransfer,
                         ::testing::Values("SQLite", "PostgreSQL", "OdbcPostgreSQL", "OdbcMariaDB"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
