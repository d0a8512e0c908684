#include "support/error_capture.h"
#include "support/qt_printers.h"
#include "platform/database/sqlite/sqlite_backend.h"
#include "support/sqlite_file.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

class SqliteBackend : public ::testing::Test {
protected:
    void SetUp() override
    {
        file.exec(QStringLiteral("CREATE TABLE abi (AbiAbi INTEGER PRIMARY KEY, AbiBanc TEXT NOT NULL);"
                                 "INSERT INTO abi VALUES (300, 'Locale');"));
    }

    QTemporaryDir dir;
    SqliteFile file{dir.filePath(QStringLiteral("arcproc.db"))};
};

TEST_F(SqliteBackend, DescribesEachFailureInItalianWithTheEnginesMessage)
{
    const auto db = OpenSqliteDatabase(file.path());
    struct Case {
        const char* sql;
        std::int32_t number;
        const char* italian;
        const char* engine;
    };
    const Case cases[] = {
        {"INSERT INTO abi VALUES (300, 'x')", ErrorNumber::IntegrityViolation, "Il codice è già presente", "(UNIQUE constraint failed"},
        {"INSERT INTO abi (AbiAbi) VALUES (301)", ErrorNumber::IntegrityViolation, "La riga non rispetta un vincolo", "(NOT NULL"},
        {"DELETE FROM manca", ErrorNumber::NoSuchTable, "Una tabella indicata", "(no such table: manca)"},
        {"INSERT INTO abi (Manca) VALUES (1)", ErrorNumber::StatementRejected, "Una colonna indicata", "has no column named Manca"},
        {"INSERT INTO abi VALUES (,)", ErrorNumber::StatementRejected, "Il database ha rifiutato", "syntax error"},
        // A second statement would otherwise be dropped without a word; neither runs.
        {"DELETE FROM abi; DELETE FROM manca", ErrorNumber::StatementRejected, "Il database ha rifiutato", "più di un'istruzione"},
        {"  ", ErrorNumber::StatementRejected, "Il database ha rifiutato", "vuoto"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const RuntimeError error = ErrorOf([&] { db->execute(QString::fromUtf8(c.sql)); });
        EXPECT_EQ(error.number(), c.number) << error.description().toStdString();
        EXPECT_TRUE(error.description().startsWith(QString::fromUtf8(c.italian))) << error.description().toStdString();
        EXPECT_TRUE(error.description().contains(QString::fromUtf8(c.engine))) << error.description().toStdString();
    }
    EXPECT_EQ(file.rows(QStringLiteral("SELECT * FROM abi")), QStringList{QStringLiteral("300|Locale")});
}

// A leading U+FEFF is part of the text, not a byte-order mark to drop.
TEST_F(SqliteBackend, ReadsTextsThatBeginWithUFeffWhole)
{
    file.exec(QString::fromUtf8("INSERT INTO abi VALUES (1, '\uFEFFbomx'), (2, '\uFEFF'), (3, '\uFEFF\uFEFFdue'), "
                                "(4, 'a\uFEFF'), (5, '')"));
    const auto db = OpenSqliteDatabase(file.path());
    const ResultSet result = db->query(QStringLiteral("SELECT AbiBanc FROM abi WHERE AbiAbi < 10 ORDER BY AbiAbi"));
    const QStringList expected{QStringLiteral("\uFEFFbomx"), QStringLiteral("\uFEFF"),
                               QStringLiteral("\uFEFF\uFEFFdue"), QString::fromUtf8("a\uFEFF"), QString()};
    ASSERT_EQ(result.rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(result.rows[i][0].type(), Variant::Type::Text);
        EXPECT_EQ(result.rows[i][0].text(), expected[i]);
    }
}

TEST_F(SqliteBackend, SaysTheDatabaseIsInUseAndHowLongItWaited)
{
    const auto db = OpenSqliteDatabase(file.path());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const RuntimeError atOpen = ErrorOf([&] { OpenSqliteDatabase(file.path()); });
    QElapsedTimer timer;
    timer.start();
    const RuntimeError error = ErrorOf([&] { db->execute(QStringLiteral("DELETE FROM abi")); });
    const qint64 waited = timer.elapsed();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(error.number(), ErrorNumber::Failure);
    EXPECT_TRUE(error.description().startsWith(QStringLiteral("Il database è in uso da un altro programma. Il blocco non si è "
                                                              "liberato dopo un'attesa di 5 secondi.")))
        << error.description().toStdString();
    EXPECT_GE(waited, 4500);
    EXPECT_EQ(atOpen.description(), error.description());
    db->execute(QStringLiteral("DELETE FROM abi"));  // free again once the other program lets go
    EXPECT_TRUE(file.rows(QStringLiteral("SELECT * FROM abi")).isEmpty());
}

}  // namespace
