#include "platform/database/sqlite/literal_insert.h"
#include "platform/database/sqlite/sqlite_backend.h"
#include "support/error_capture.h"
#include "support/qt_printers.h"
#include "support/sqlite_file.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

using Kind = LiteralInsert::Value::Kind;

TEST(LiteralInsert, ReadsTheInsertsTheUpdateWrites)
{
    const QByteArray sql(
        "INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc, AbcIndir, AbcAbichk) VALUES (1005, -16, 'Banca d''Esempio', "
        "Null, 0)");
    LiteralInsert read;
    ASSERT_TRUE(ReadLiteralInsert(sql, read));
    const LiteralInsert* insert = &read;
    EXPECT_EQ(insert->head, QByteArray("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc, AbcIndir, AbcAbichk) VALUES"));
    EXPECT_EQ(insert->parameterized(),
              QByteArray("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc, AbcIndir, AbcAbichk) VALUES (?, ?, ?, ?, ?)"));
    ASSERT_EQ(insert->values.size(), 5U);
    EXPECT_EQ(insert->values[0].kind, Kind::Integer);
    EXPECT_EQ(insert->values[0].integer, 1005);
    EXPECT_EQ(insert->values[1].integer, -16);
    EXPECT_EQ(insert->values[2].kind, Kind::Text);
    EXPECT_EQ(insert->values[2].text, QByteArrayView("Banca d'Esempio"));
    EXPECT_EQ(insert->values[3].kind, Kind::Null);
    EXPECT_EQ(insert->values[4].integer, 0);
}

TEST(LiteralInsert, LeavesEveryOtherFormToSqlite)
{
    for (const char* sql : {
             "INSERT INTO t (a) VALUES (2.5)",  // decimals and exponents: SQLite's own reading
             "INSERT INTO t (a) VALUES (1E+20)",
             "INSERT INTO t (a) VALUES (5e3)",
             "INSERT INTO t (a) VALUES (0x1F)",
             "INSERT INTO t (a) VALUES (9223372036854775808)",  // beyond 64 bits SQLite reads a real
             "INSERT INTO t (a) VALUES (- 5)",
             "INSERT INTO t (a) VALUES (--5\n)",
             "INSERT INTO t (a) VALUES ('x' || 'y')",
             "INSERT INTO t (a) VALUES ('unterminated)",
             "INSERT INTO t (a) VALUES (X'00')",
             "INSERT INTO t (a) VALUES (NULLA)",
             "INSERT INTO t (a) VALUES (1); DELETE FROM t",
             "INSERT INTO t (a) VALUES (1), (2)",
             "INSERT INTO \"t\" (a) VALUES (1)",
             "INSERT INTO t VALUES (1)",
             "INSERT INTO t (a) SELECT 1",
             "DELETE FROM abi WHERE abiabi >=1000",
         }) {
        LiteralInsert insert;
        EXPECT_FALSE(ReadLiteralInsert(sql, insert)) << sql;
        // Nor does the head of an earlier insert let any through.
        EXPECT_FALSE(ReadLiteralInsert(sql, insert, "INSERT INTO t (a) VALUES")) << sql;
    }
    LiteralInsert insert;
    EXPECT_FALSE(ReadLiteralInsert(QByteArray("INSERT INTO t (a) VALUES ('a\0b')", 33), insert));
    EXPECT_TRUE(ReadLiteralInsert("insert into t(a,b)values(NULL,+7);  ", insert));
    // One insert read after another keeps nothing of the first.
    const QByteArray first("INSERT INTO t (a, b) VALUES ('x''y', 'z')"), second("INSERT INTO t (a) VALUES ('w')");
    ASSERT_TRUE(ReadLiteralInsert(first, insert));
    EXPECT_EQ(insert.values[0].text, QByteArrayView("x'y"));
    ASSERT_TRUE(ReadLiteralInsert(second, insert));
    ASSERT_EQ(insert.values.size(), 1U);
    EXPECT_EQ(insert.values[0].text, QByteArrayView("w"));
    EXPECT_TRUE(insert.unescaped.empty());
}

// A head read before stands for the statement's own only where reading it
// anew would give the same.
TEST(LiteralInsert, ReadsAfterAKnownHeadAsAfterReadingItAnew)
{
    const QByteArrayView known("INSERT INTO t (a) VALUES");
    LiteralInsert insert;
    ASSERT_TRUE(ReadLiteralInsert("INSERT INTO t (a) VALUES('x')", insert, known));
    EXPECT_EQ(insert.head, known);
    EXPECT_EQ(insert.values[0].text, QByteArrayView("x"));
    for (const char* longerWord :
         {"INSERT INTO t (a) VALUESX ('x')", "INSERT INTO t (a) VALUES_ ('x')", "INSERT INTO t (a) VALUES1 ('x')"})
        EXPECT_FALSE(ReadLiteralInsert(longerWord, insert, known)) << longerWord;
    ASSERT_TRUE(ReadLiteralInsert("INSERT INTO t (a, b) VALUES (1, 2)", insert, known));
    EXPECT_EQ(insert.head, QByteArrayView("INSERT INTO t (a, b) VALUES"));
    EXPECT_EQ(insert.values.size(), 2U);
    ASSERT_TRUE(ReadLiteralInsert("  insert into t (a) values (3)", insert, known));
    EXPECT_EQ(insert.head, QByteArrayView("  insert into t (a) values"));
}

// The same statements through the engine and through SQLite's own
// statement runner store the same values, of the same types, in columns of
// every affinity: binding a literal's value is reading it as SQLite does.
TEST(LiteralInsert, StoresWhatSqliteStoresFromTheText)
{
    QTemporaryDir dir;
    const char* schema = "CREATE TABLE t (i INTEGER, x TEXT, r REAL, n NUMERIC, b BLOB, k INTEGER PRIMARY KEY);";
    SqliteFile engine(dir.filePath(QStringLiteral("engine.db")));
    SqliteFile reference(dir.filePath(QStringLiteral("reference.db")));
    engine.exec(QString::fromLatin1(schema));
    reference.exec(QString::fromLatin1(schema));
    const QStringList statements{
        "INSERT INTO t (i, x, r, n, b) VALUES (1005, 'Banca d''Esempio', 7, '00100', 'Forlì')",
        "INSERT INTO t (i, x, r, n, b) VALUES ('12', 12, '2.5', '1e3', 12)",
        "INSERT INTO t (i, x, r, n, b) VALUES (Null, '', -0, '', NULL)",
        "INSERT INTO t (i, x, r, n, b) VALUES (-9223372036854775807, 'Мир 😀', +3, 'abc', '''')",
        "INSERT INTO t (i, x, r, n, b) VALUES (007, ' x\\'' ', 2.5, 1E+20, 'x\\')",
        "INSERT INTO t (i, x, r, n, b) VALUES (' 42 ', '\r\n', '-', '0x10', '')",
    };
    const auto database = OpenSqliteDatabase(engine.path());
    for (const QString& statement : statements) {
        database->execute(statement);
        reference.exec(statement);
    }
    const QString everything = QStringLiteral(
        "SELECT typeof(i), quote(i), typeof(x), quote(x), typeof(r), quote(r), typeof(n), quote(n), typeof(b), "
        "quote(b) "
        "FROM t ORDER BY k");
    EXPECT_EQ(engine.rows(everything), reference.rows(everything));
    EXPECT_EQ(engine.rows(everything).size(), statements.size());
}

TEST(LiteralInsert, FailsAsTheStatementWouldFail)
{
    QTemporaryDir dir;
    SqliteFile file(dir.filePath(QStringLiteral("arcproc.db")));
    file.exec(QStringLiteral("CREATE TABLE abi (AbiAbi INTEGER PRIMARY KEY, AbiBanc TEXT NOT NULL);"));
    const auto database = OpenSqliteDatabase(file.path());
    database->execute(QStringLiteral("INSERT INTO abi (AbiAbi, AbiBanc) VALUES (1005, 'Banca')"));
    const RuntimeError duplicate =
        ErrorOf([&] { database->execute(QStringLiteral("INSERT INTO abi (AbiAbi, AbiBanc) VALUES (1005, 'Altra')")); });
    EXPECT_EQ(duplicate.number(), ErrorNumber::IntegrityViolation);
    EXPECT_TRUE(duplicate.description().contains(QStringLiteral("UNIQUE constraint failed: abi.AbiAbi")));
    const RuntimeError missing =
        ErrorOf([&] { database->execute(QStringLiteral("INSERT INTO abi (AbiAbi, Manca) VALUES (1006, 'x')")); });
    EXPECT_EQ(missing.number(), ErrorNumber::StatementRejected);
    EXPECT_TRUE(missing.description().contains(QStringLiteral("has no column named Manca")));
    // After a failure the compiled insert serves the next row as before.
    database->execute(QStringLiteral("INSERT INTO abi (AbiAbi, AbiBanc) VALUES (1007, 'Terza')"));
    EXPECT_EQ(file.rows(QStringLiteral("SELECT * FROM abi ORDER BY 1")), QStringList({"1005|Banca", "1007|Terza"}));
}

}  // namespace
