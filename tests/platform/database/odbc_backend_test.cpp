#include "platform/database/odbc/odbc_backend.h"
#include "platform/database/sqlserver/freetds_connection.h"
#include "servers/postgresql_server.h"
#include "servers/silent_server.h"
#include "support/error_capture.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace {

// psqlODBC against a server of the test's own, by driver name: no odbc.ini.
class OdbcBackend : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new PostgresqlServer({QStringLiteral("standard_conforming_strings=off")});
        server->createDatabase(QStringLiteral("arcproc"));
        server->exec(QStringLiteral("arcproc"),
                     QStringLiteral("CREATE TABLE abi (AbiAbi INTEGER PRIMARY KEY, AbiBanc VARCHAR(10) NOT NULL,"
                                    " Peso DOUBLE PRECISION, Quota NUMERIC(6,2));"
                                    "INSERT INTO abi VALUES (300, 'Locale', 2.5, 12.25), (301, '', NULL, NULL)"));
    }
    static void TearDownTestSuite() { delete server; }

    static QString connectionText()
    {
        return QStringLiteral("Driver={PostgreSQL Unicode};Servername=%1;Port=%2;Database=arcproc;UID=%3;PWD=%4;")
            .arg(server->socketFolder(), server->port(), server->superuser(), server->password());
    }
    static QStringList codes()
    {
        return server->rows(QStringLiteral("arcproc"), QStringLiteral("SELECT AbiAbi FROM abi ORDER BY 1"));
    }

    static inline PostgresqlServer* server = nullptr;
};

TEST_F(OdbcBackend, ReadsTypedValuesAndLongTextsAndKeepsOrDropsTransactions)
{
    const auto db = OpenOdbcDatabase(connectionText());
    const ResultSet rows = db->query(QStringLiteral("SELECT * FROM abi ORDER BY AbiAbi"));
    ASSERT_EQ(rows.rows.size(), 2U);
    EXPECT_EQ(rows.rows[0], (std::vector<Variant>{Variant(300), Variant("Locale"), Variant(2.5), Variant(12.25)}));
    EXPECT_EQ(rows.rows[1], (std::vector<Variant>{Variant(301), Variant(QString()), Variant(), Variant()}));
    // Longer than one read of the driver, and beyond the BMP across its pieces.
    const QString longText = QStringLiteral("\\'\U0001F600").repeated(1500);
    const QString literal = QString(longText).replace(QLatin1Char('\''), QStringLiteral("''"));
    EXPECT_EQ(db->query(QStringLiteral("SELECT '%1' AS t").arg(literal)).rows.at(0).at(0), Variant(longText));

    db->beginTransaction();
    db->execute(QStringLiteral("DELETE FROM abi"));
    db->rollbackTransaction();
    EXPECT_EQ(codes().size(), 2);
    db->beginTransaction();
    db->execute(QStringLiteral("INSERT INTO abi (AbiAbi, AbiBanc) VALUES (302, 'x\\')"));
    db->commitTransaction();
    EXPECT_EQ(server->rows(QStringLiteral("arcproc"), QStringLiteral("SELECT AbiBanc FROM abi WHERE AbiAbi = 302")),
              QStringList{QStringLiteral("x\\")});
    db->execute(QStringLiteral("DELETE FROM abi WHERE AbiAbi = 302"));  // at once, outside a transaction
    EXPECT_EQ(codes().size(), 2);
}

TEST_F(OdbcBackend, DescribesEachFailureInItalianWithTheDriversMessage)
{
    const auto db = OpenOdbcDatabase(connectionText());
    struct Case {
        const char* sql;
        std::int32_t number;
        const char* italian;
    };
    const Case cases[] = {
        {"INSERT INTO abi (AbiAbi, AbiBanc) VALUES (300, 'x')", ErrorNumber::IntegrityViolation,
         "Il codice è già presente"},
        {"INSERT INTO abi (AbiAbi) VALUES (303)", ErrorNumber::IntegrityViolation, "La riga non rispetta un vincolo"},
        {"DELETE FROM manca", ErrorNumber::NoSuchTable, "Una tabella indicata"},
        {"INSERT INTO abi (Manca) VALUES (1)", ErrorNumber::StatementRejected, "Una colonna indicata"},
        {"INSERT INTO abi (AbiAbi, AbiBanc) VALUES (304, 'undici car.')", ErrorNumber::StatementRejected,
         "Un valore non è ammesso"},
        {"INSERT INTO abi VALUES (,)", ErrorNumber::StatementRejected, "Il database ha rifiutato"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const RuntimeError error = ErrorOf([&] { db->execute(QString::fromUtf8(c.sql)); });
        EXPECT_EQ(error.number(), c.number) << error.description().toStdString();
        EXPECT_TRUE(error.description().startsWith(QString::fromUtf8(c.italian))) << error.description().toStdString();
        EXPECT_TRUE(error.description().endsWith(QLatin1Char(')'))) << error.description().toStdString();
    }
    EXPECT_EQ(codes().size(), 2);
}

TEST_F(OdbcBackend, LeavesNoDriverLogsBehind)
{
    const auto logs = [] {
        return QDir(QStringLiteral("/tmp"))
            .entryList(
                {QStringLiteral("psqlodbc_*%1.log").arg(getpid()), QStringLiteral("mylog_*%1.log").arg(getpid())});
    };
    ASSERT_TRUE(logs().isEmpty());
    {
        const auto db = OpenOdbcDatabase(connectionText());
        db->query(QStringLiteral("SELECT 1"));
        EXPECT_NE(ErrorNumberOf([&] { db->execute(QStringLiteral("DELETE FROM manca")); }), 0);
    }
    EXPECT_TRUE(logs().isEmpty()) << logs().join(QLatin1Char(' ')).toStdString();
}

TEST(OdbcLogin, RefusesAWrongPasswordAndAnUnknownDriver)
{
    PostgresqlServer server;
    const RuntimeError wrong = ErrorOf([&] {
        OpenOdbcDatabase(
            QStringLiteral("Driver={PostgreSQL Unicode};Servername=%1;Port=%2;Database=postgres;UID=%3;PWD=no;")
                .arg(server.socketFolder(), server.port(), server.superuser()));
    });
    EXPECT_EQ(wrong.number(), ErrorNumber::Failure);
    EXPECT_TRUE(wrong.description().startsWith(QStringLiteral("Impossibile aprire il database.")))
        << wrong.description().toStdString();
    EXPECT_TRUE(wrong.description().contains(QStringLiteral("password authentication failed")))
        << wrong.description().toStdString();
    EXPECT_EQ(ErrorNumberOf([] { OpenOdbcDatabase(QStringLiteral("Driver={Nessun driver};")); }), ErrorNumber::Failure);
}

// mdbtools' driver declares no transactions: autocommit off would keep
// every statement, so the transaction is refused before any runs.
TEST(OdbcTransactions, RefusesADriverThatCannotRollBack)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("ARCPROC.mdb"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANTA_JET_SAMPLES "/testV2000.mdb"), copy));
    const auto db = OpenOdbcDatabase(QStringLiteral("Driver={MDBTools};DBQ=%1;").arg(copy));
    const RuntimeError refused = ErrorOf([&] { db->beginTransaction(); });
    EXPECT_EQ(refused.number(), ErrorNumber::Failure);
    EXPECT_TRUE(refused.description().startsWith(QStringLiteral("Il database non può annullare le modifiche")))
        << refused.description().toStdString();
}

TEST(FreeTdsConnection, TranslatesTheProvidersKeywords)
{
    const auto text = [](const char* dataSource) {
        return FreeTdsConnectionText({QString::fromUtf8(dataSource), QStringLiteral("ARCPROC"), QStringLiteral("sa"),
                                      QStringLiteral("p;w}d "), false});
    };
    const QString rest = QStringLiteral("Database=ARCPROC;UID=sa;PWD={p;w}}d };TDS_Version=7.4;ClientCharset=UTF-8;");
    EXPECT_EQ(text("srv01"), QStringLiteral("Driver=FreeTDS;Server=srv01;") + rest);
    EXPECT_EQ(text("srv01\\SQLEXPRESS"), QStringLiteral("Driver=FreeTDS;Server=srv01\\SQLEXPRESS;") + rest);
    EXPECT_EQ(text("10.0.0.5, 1533"), QStringLiteral("Driver=FreeTDS;Server=10.0.0.5;Port=1533;") + rest);
    EXPECT_EQ(text("tcp:srv01,1433"), QStringLiteral("Driver=FreeTDS;Server=srv01;Port=1433;") + rest);
    EXPECT_EQ(text("(local)\\CORVANTA"), QStringLiteral("Driver=FreeTDS;Server=localhost\\CORVANTA;") + rest);

    const RuntimeError windows = ErrorOf([] { FreeTdsConnectionText({QStringLiteral("srv01"), {}, {}, {}, true}); });
    EXPECT_EQ(windows.number(), ErrorNumber::Failure);
    EXPECT_TRUE(windows.description().contains(QStringLiteral("User ID e Password")))
        << windows.description().toStdString();
}

TEST(FreeTdsConnection, GivesUpOnAServerThatDoesNotAnswerWithinSeconds)
{
    SilentServer silent;
    QElapsedTimer timer;
    timer.start();
    const RuntimeError error = ErrorOf([&] {
        OpenOdbcDatabase(
            FreeTdsConnectionText({QStringLiteral("127.0.0.1,%1").arg(silent.port()), QStringLiteral("ARCPROC"),
                                   QStringLiteral("sa"), QStringLiteral("segreta"), false}));
    });
    EXPECT_EQ(error.number(), ErrorNumber::Failure);
    EXPECT_TRUE(error.description().startsWith(QStringLiteral("Impossibile aprire il database.")))
        << error.description().toStdString();
    EXPECT_LT(timer.elapsed(), 15000);
}

}  // namespace
