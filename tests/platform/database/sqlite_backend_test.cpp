#include "platform/database/sqlite/sqlite_backend.h"
#include "platform/database/engine_waits.h"
#include "support/error_capture.h"
#include "support/qt_printers.h"
#include "support/small_filesystem.h"
#include "support/sqlite_file.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// What a run gets once another program's lock has outlasted the wait.
void ExpectInUseAfterTheWait(const RuntimeError& error)
{
    EXPECT_EQ(error.number(), ErrorNumber::Failure);
    EXPECT_TRUE(
        error.description().startsWith(QStringLiteral("Il database è in uso da un altro programma. Il blocco non si è "
                                                      "liberato dopo un'attesa di %1 secondi.")
                                           .arg(WaitSeconds(EngineWait::LocalLock))))
        << error.description().toStdString();
}

class SqliteBackend : public ::testing::Test {
protected:
    void SetUp() override
    {
        file.exec(
            QStringLiteral("CREATE TABLE abi (AbiAbi INTEGER PRIMARY KEY, AbiBanc TEXT NOT NULL);"
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
        {"INSERT INTO abi VALUES (300, 'x')", ErrorNumber::IntegrityViolation, "Il codice è già presente",
         "(UNIQUE constraint failed"},
        {"INSERT INTO abi (AbiAbi) VALUES (301)", ErrorNumber::IntegrityViolation, "La riga non rispetta un vincolo",
         "(NOT NULL"},
        {"DELETE FROM manca", ErrorNumber::NoSuchTable, "Una tabella indicata", "(no such table: manca)"},
        {"INSERT INTO abi (Manca) VALUES (1)", ErrorNumber::StatementRejected, "Una colonna indicata",
         "has no column named Manca"},
        {"INSERT INTO abi VALUES (,)", ErrorNumber::StatementRejected, "Il database ha rifiutato", "syntax error"},
        // A second statement would otherwise be dropped without a word; neither runs.
        {"DELETE FROM abi; DELETE FROM manca", ErrorNumber::StatementRejected, "Il database ha rifiutato",
         "più di un'istruzione"},
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
    file.exec(
        QString::fromUtf8("INSERT INTO abi VALUES (1, '\uFEFFbomx'), (2, '\uFEFF'), (3, '\uFEFF\uFEFFdue'), "
                          "(4, 'a\uFEFF'), (5, '')"));
    const auto db = OpenSqliteDatabase(file.path());
    const ResultSet result = db->query(QStringLiteral("SELECT AbiBanc FROM abi WHERE AbiAbi < 10 ORDER BY AbiAbi"));
    const QStringList expected{QStringLiteral("\uFEFFbomx"), QStringLiteral("\uFEFF"),
                               QStringLiteral("\uFEFF\uFEFFdue"), QString::fromUtf8("a\uFEFF"), QString()};
    ASSERT_EQ(result.rows.size(), std::size_t(expected.size()));
    for (std::size_t i = 0; i < result.rows.size(); ++i) {
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
    ExpectInUseAfterTheWait(error);
    EXPECT_GE(waited, WaitSeconds(EngineWait::LocalLock) * 1000 - 500);
    EXPECT_EQ(atOpen.description(), error.description());
    db->execute(QStringLiteral("DELETE FROM abi"));  // free again once the other program lets go
    EXPECT_TRUE(file.rows(QStringLiteral("SELECT * FROM abi")).isEmpty());
}

TEST_F(SqliteBackend, FailsAsInUseWithinTheWaitWhileAnotherProgramReads)
{
    QProcess reader;
    reader.start(QStringLiteral("sqlite3"), {file.path()});
    reader.write("BEGIN;\nSELECT count(*) FROM abi;\n");
    ASSERT_TRUE(reader.waitForReadyRead(10000)) << "the reader did not start its transaction";

    const auto db = OpenSqliteDatabase(file.path());
    db->execute(QStringLiteral("PRAGMA cache_size = 10"));  // the changes outgrow memory at once
    QElapsedTimer timer;
    timer.start();
    // Bounded: a run that waits out the lock at every page it writes and
    // carries on would still be inserting here when the time is up.
    const RuntimeError error = ErrorOf([&] {
        db->beginTransaction();
        db->execute(QStringLiteral("DELETE FROM abi"));
        for (int code = 1000; timer.elapsed() < 20000; ++code)
            db->execute(
                QStringLiteral("INSERT INTO abi VALUES (%1, '%2')").arg(code).arg(QString(200, QLatin1Char('x'))));
    });
    db->rollbackTransaction();
    reader.closeWriteChannel();
    reader.waitForFinished();

    ExpectInUseAfterTheWait(error);
    EXPECT_EQ(file.rows(QStringLiteral("SELECT * FROM abi")), QStringList{QStringLiteral("300|Locale")});
}

// The mark a run reads the database by, alongside the source: the
// connection's own changes leave it, another program's commit moves it.
TEST_F(SqliteBackend, TheMarkMovesWithAnotherProgramsCommitOnly)
{
    const auto db = OpenSqliteDatabase(file.path());
    const QByteArray before = db->changeMark();
    ASSERT_FALSE(before.isEmpty());
    db->execute(QStringLiteral("INSERT INTO abi VALUES (1000, 'Propria')"));
    EXPECT_EQ(db->changeMark(), before);
    file.exec(QStringLiteral("INSERT INTO abi VALUES (2000, 'Altrui');"));
    EXPECT_NE(db->changeMark(), before);
}

// A copy holds the rows the condition picks, each value of the kind SQLite
// stores: whether SQLite copies the records as they are (columns without a
// default), value by value into typed columns (a key that is the rowid, a
// default, rows older than a column) or into untyped ones (a view, a type
// not written plainly), and whatever the key's type and collation make of
// the comparison.
TEST_F(SqliteBackend, CopiesTheRowsTheConditionPicksEachValueAsStored)
{
    file.exec(
        QStringLiteral("CREATE TABLE semplice (k INTEGER, v TEXT COLLATE NOCASE, w);"
                       "INSERT INTO semplice VALUES (1005, 'Banca', x'00ff'), ('A1', NULL, 2.5), (NULL, 'Nulla', 1),"
                       " (999.5, 'Quasi', NULL), (1000.5, 'Oltre', 'x'), (5, 'Piccola', -1), (1e300, 'Grande', 0);"
                       "CREATE TABLE chiave (k INTEGER PRIMARY KEY, v VARCHAR(20));"
                       "INSERT INTO chiave VALUES (300, 'Locale'), (1000, 'Prima'), (4000, 'Seconda');"
                       "CREATE TABLE testo (k TEXT COLLATE NOCASE, v REAL DEFAULT 1.5);"
                       "INSERT INTO testo (k) VALUES ('999'), ('1000'), ('abc'), ('10000'), (' 5'), (2000);"
                       "CREATE TABLE cresciuta (k NUMERIC, v);"
                       "INSERT INTO cresciuta VALUES ('1500', 'prima'), (10, 'prima'), ('1e3', 'prima');"
                       "ALTER TABLE cresciuta ADD COLUMN z TEXT DEFAULT 'aggiunta';"
                       "INSERT INTO cresciuta VALUES (2000, 'dopo', 'propria');"
                       "CREATE VIEW vista AS SELECT * FROM semplice WHERE v IS NOT NULL;"
                       "CREATE TABLE senza (k INTEGER PRIMARY KEY, v TEXT) WITHOUT ROWID;"
                       "INSERT INTO senza VALUES (7, 'a'), (7000, 'b');"
                       "CREATE TABLE strana (k \"INTEGER\", v \"VAR CHAR\"(5));"
                       "INSERT INTO strana VALUES (1200, 'x'), (12, 'y'), ('1300', 'z');"));
    const std::vector<std::pair<QString, int>> tables{{QStringLiteral("semplice"), 3}, {QStringLiteral("chiave"), 2},
                                                      {QStringLiteral("testo"), 2},    {QStringLiteral("cresciuta"), 3},
                                                      {QStringLiteral("vista"), 3},    {QStringLiteral("senza"), 2},
                                                      {QStringLiteral("strana"), 2}};
    // Each value of the columns with its kind, the rows in a set's order.
    const auto stored = [](const SqliteFile& from, const QStringList& columns, const QString& rest) {
        QStringList values;
        for (const QString& column : columns)
            values << QStringLiteral("typeof(\"%1\") || ':' || quote(\"%1\")").arg(column);
        QStringList rows = from.rows(QStringLiteral("SELECT ") + values.join(QStringLiteral(", ")) + rest);
        rows.sort();
        return rows;
    };
    std::vector<DatabaseBackend::RowCopy> copies;
    for (const auto& [table, count] : tables)
        copies.push_back({table, QStringLiteral("k"), 1000, QStringLiteral("copia_") + table});
    const SqliteFile copy(dir.filePath(QStringLiteral("copia.db")));
    QFile(copy.path()).open(QIODevice::WriteOnly);
    const auto columns = OpenSqliteDatabase(file.path())->copyRowsToSqliteFile(copy.path(), copies);
    ASSERT_TRUE(columns);
    ASSERT_EQ(columns->size(), tables.size());
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const auto& [table, count] = tables[t];
        SCOPED_TRACE(table.toStdString());
        ASSERT_EQ(columns->at(t).size(), count);
        QStringList copied;
        for (int i = 0; i < count; ++i)
            copied << QStringLiteral("c%1").arg(i);
        const QStringList picked = stored(file, columns->at(t), QStringLiteral(" FROM %1 WHERE k >=1000").arg(table));
        EXPECT_FALSE(picked.isEmpty());
        EXPECT_EQ(stored(copy, copied, QStringLiteral(" FROM copia_") + table), picked);
    }
    // The plain tables' copies keep the key's type and collation.
    EXPECT_EQ(copy.rows(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'copia_semplice'")),
              QStringList{QStringLiteral("CREATE TABLE \"copia_semplice\" (c0 INTEGER, c1 TEXT COLLATE NOCASE, c2)")});
}

// The disk fills while the changes are written: whatever the point at which
// it fills, the file on its own, as a copy or a backup taken after the
// failed run would hold it, is the database as it was.
TEST(SqliteFullDisk, LeavesTheFileWholeOnItsOwnAndSaysTheDiskIsFull)
{
    SmallFilesystem disk(1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "a tmpfs can be mounted only as root";
    const SqliteFile file(disk.filePath(QStringLiteral("arcproc.db")));
    file.exec(
        QStringLiteral("CREATE TABLE abi (AbiAbi INTEGER PRIMARY KEY, AbiBanc TEXT NOT NULL);"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)"
                       " INSERT INTO abi SELECT i, printf('%.100c', 'y') FROM n;"));
    const QString digest = QStringLiteral("SELECT count(*), sum(AbiAbi), sum(length(AbiBanc)) FROM abi");
    const QStringList before = file.rows(digest);
    QTemporaryDir copies;
    for (const qint64 free : {60 * 1024, 160 * 1024, 260 * 1024, 360 * 1024}) {
        SCOPED_TRACE(free);
        disk.fillLeaving(free);
        const auto db = OpenSqliteDatabase(file.path());
        db->execute(QStringLiteral("PRAGMA cache_size = 20"));  // pages go to the file long before the commit
        const RuntimeError error = ErrorOf([&] {
            db->beginTransaction();
            db->execute(QStringLiteral("DELETE FROM abi WHERE AbiAbi >= 1000"));
            for (int code = 1000; code < 20000; ++code)
                db->execute(
                    QStringLiteral("INSERT INTO abi VALUES (%1, '%2')").arg(code).arg(QString(150, QLatin1Char('z'))));
        });
        ErrorOf([&] { db->rollbackTransaction(); });
        EXPECT_EQ(error.number(), ErrorNumber::Failure);
        EXPECT_TRUE(error.description().startsWith(QStringLiteral("Il disco è pieno")))
            << error.description().toStdString();

        // Copied while the tool still has it open, without any journal beside it.
        const QString copy = copies.filePath(QStringLiteral("copia-%1.db").arg(free));
        ASSERT_TRUE(QFile::copy(file.path(), copy));
        const SqliteFile alone(copy);
        EXPECT_EQ(alone.rows(QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
        EXPECT_EQ(alone.rows(digest), before);
        disk.unfill();
    }
}

}  // namespace
