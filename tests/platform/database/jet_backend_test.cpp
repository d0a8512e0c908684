#include "platform/database/jet/jet_backend.h"
#include "platform/database/database_file.h"
#include "platform/database/jet/jet_backend_testing.h"
#include "platform/database/jet/new_file/jet_database_writer.h"
#include "platform/runtime/runtime_error.h"
#include "support/error_capture.h"
#include "support/qt_printers.h"
#include "support/sqlite_file.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

QString Sample(const char* name)
{
    return QStringLiteral(CORVANTA_JET_SAMPLES "/") + QString::fromLatin1(name);
}

ResultSet Query(const char* file, const char* sql)
{
    return OpenJetDatabase(Sample(file))->query(QString::fromUtf8(sql));
}

// The two rows of Table1 that testV1997, testV2000 and testV2007 share, in
// the order of their columns A to I.
const std::vector<std::vector<Variant>> kTable1Rows{
    {Variant("abcdefg"), Variant("hijklmnop"), Variant(2), Variant(222), Variant(333333333), Variant(444.555),
     Variant("1974-09-21 00:00:00"), Variant(3.5), Variant(-1)},
    {Variant("a"), Variant("b"), Variant(0), Variant(0), Variant(0), Variant(0.0), Variant("1981-12-12 00:00:00"),
     Variant(0.0), Variant(0)},
};

TEST(JetBackend, DetectsTheFormatOfEachSample)
{
    EXPECT_EQ(DetectDatabaseFile(Sample("testV1997.mdb")), DatabaseFileKind::Jet3);
    EXPECT_EQ(DetectDatabaseFile(Sample("testV2000.mdb")), DatabaseFileKind::Jet4);
    EXPECT_EQ(DetectDatabaseFile(Sample("testV2007.accdb")), DatabaseFileKind::Ace);
    EXPECT_EQ(DetectDatabaseFile(Sample("README.md")), DatabaseFileKind::Unknown);
    EXPECT_EQ(DetectDatabaseFile(Sample("nessuno.mdb")), DatabaseFileKind::Missing);
}

TEST(JetBackend, ReadsEveryTypeOfJet3Jet4AndAceAlike)
{
    for (const char* file : {"testV1997.mdb", "testV2000.mdb", "testV2007.accdb"}) {
        SCOPED_TRACE(file);
        const ResultSet result = Query(file, "SELECT * FROM Table1");
        EXPECT_EQ(result.columns.join(QLatin1Char(',')), QStringLiteral("A,B,C,D,E,F,G,H,I"));
        ASSERT_EQ(result.rows.size(), 2U);
        // The files hold the same rows in different physical order.
        const bool firstIsLong = result.rows[0][0] == Variant("abcdefg");
        EXPECT_EQ(result.rows[firstIsLong ? 0 : 1], kTable1Rows[0]);
        EXPECT_EQ(result.rows[firstIsLong ? 1 : 0], kTable1Rows[1]);
        // Byte, Integer and Long stay whole numbers; Double and Currency floats.
        EXPECT_EQ(result.rows[0][2].type(), Variant::Type::Integer);
        EXPECT_EQ(result.rows[0][4].type(), Variant::Type::Integer);
        EXPECT_EQ(result.rows[0][5].type(), Variant::Type::Double);
        EXPECT_EQ(result.rows[0][7].type(), Variant::Type::Double);
    }
}

TEST(JetBackend, NamesTablesAndColumnsWithoutRegardToCase)
{
    const ResultSet result = Query("testV2000.mdb", "select e, a from TABLE1");
    EXPECT_EQ(result.columns, (QStringList{QStringLiteral("E"), QStringLiteral("A")}));
    ASSERT_EQ(result.rows.size(), 2U);
    EXPECT_EQ(result.rows[0][1].type(), Variant::Type::Text);
}

TEST(JetBackend, ReturnsEmptyTablesAndSkipsDeletedRows)
{
    EXPECT_TRUE(Query("testV2000.mdb", "SELECT * FROM Table2").rows.empty());
    const ResultSet result = Query("delTestV2000.mdb", "SELECT * FROM [Table]");
    ASSERT_EQ(result.rows.size(), 2U);
    EXPECT_EQ(result.rows[0], (std::vector<Variant>{Variant("z"), Variant("y")}));
    EXPECT_EQ(result.rows[1], (std::vector<Variant>{Variant("v"), Variant("u")}));
}

TEST(JetBackend, ReadsOverflowRowsAndTellsNullFromText)
{
    const ResultSet result = Query("overflowTestV2000.mdb", "SELECT data1, data3, data7, data9 FROM Table1");
    QStringList rows;
    for (const auto& row : result.rows) {
        QStringList values;
        for (const Variant& value : row)
            values.append(value.isNull() ? QStringLiteral("NULL") : value.text());
        rows.append(values.join(QLatin1Char('|')));
    }
    rows.sort();
    EXPECT_EQ(rows,
              (QStringList{QStringLiteral("NULL|row3col3|NULL|row3col9"), QStringLiteral("NULL|row5col2|NULL|NULL"),
                           QStringLiteral("NULL|row6col2|NULL|NULL"), QStringLiteral("row1col1|NULL|NULL|NULL"),
                           QStringLiteral("row2col1|row2col3|NULL|NULL"), QStringLiteral("row4col1|row4col2|NULL|NULL"),
                           QStringLiteral("row7col1|NULL|row7col7|NULL")}));
}

TEST(JetBackend, DecodesCompressedAndUncompressedUnicode)
{
    const ResultSet result = Query("testUnicodeCompV2003.mdb", "SELECT ID, Unicode FROM [Table]");
    ASSERT_EQ(result.rows.size(), 8U);
    QMap<qint64, QString> texts;
    for (const auto& row : result.rows)
        texts[row[0].integer()] = row[1].text();
    EXPECT_EQ(texts[1], QStringLiteral("only ascii chars"));
    EXPECT_EQ(texts[2], QStringLiteral("ääkkösiä"));
    EXPECT_EQ(texts[3], QStringLiteral("Мир"));
    // Written with escapes: an editor may normalise the accented omicron and upsilon.
    EXPECT_EQ(
        texts[4],
        QString::fromUtf16(
            u"\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C \u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1"));
    EXPECT_EQ(texts[5], QStringLiteral("漢字仮名交じり文"));
    EXPECT_TRUE(texts[8].endsWith(QStringLiteral("õö÷øùúûüýþÿ")));
    EXPECT_TRUE(texts[8].contains(QStringLiteral("!\"#$%&'()*+,-./0123456789")));
}

TEST(JetBackend, ReadsMemoAndFixedNumericColumns)
{
    const ResultSet result = Query("fixedNumericTestV2000.mdb", "SELECT * FROM test");
    ASSERT_EQ(result.rows.size(), 1U);
    EXPECT_EQ(result.rows[0],
              (std::vector<Variant>{Variant("some data"), Variant(1.0), Variant(0.0), Variant(0.0), Variant(4.0),
                                    Variant(-1.0), Variant(1.0)}));
}

TEST(JetBackend, ReportsMissingTablesAndColumnsAndBadQueries)
{
    EXPECT_EQ(ErrorNumberOf([] { Query("empty.mdb", "SELECT * FROM abi"); }), ErrorNumber::NoSuchTable);
    EXPECT_EQ(ErrorNumberOf([] { Query("testV2000.mdb", "SELECT Z FROM Table1"); }), ErrorNumber::StatementRejected);
    EXPECT_EQ(ErrorNumberOf([] { Query("testV2000.mdb", "SELECT * FROM Table1 WHERE A = 'a'"); }),
              ErrorNumber::StatementRejected);
}

// The deletion's condition, as the writer's deletion applies it: numbers by
// value, a date as the number Jet keeps; a text column is refused.
TEST(JetBackend, ChoosesTheRowsOfTheDeletionsCondition)
{
    for (const char* file : {"testV1997.mdb", "testV2000.mdb", "testV2007.accdb"}) {
        SCOPED_TRACE(file);
        const auto firstColumns = [&](const char* sql) {
            QStringList texts;
            for (const std::vector<Variant>& row : Query(file, sql).rows)
                texts << row[0].text();
            texts.sort();
            return texts;
        };
        EXPECT_EQ(firstColumns("SELECT * FROM Table1 WHERE E >=1000"), QStringList{QStringLiteral("abcdefg")});
        EXPECT_EQ(firstColumns("SELECT * FROM Table1 WHERE F >=444"), QStringList{QStringLiteral("abcdefg")});
        EXPECT_EQ(firstColumns("SELECT * FROM Table1 WHERE C >=0"),
                  (QStringList{QStringLiteral("a"), QStringLiteral("abcdefg")}));
        // 21 September 1974 is day 27293, 12 December 1981 day 29932.
        EXPECT_EQ(firstColumns("SELECT * FROM Table1 WHERE G >=29000"), QStringList{QStringLiteral("a")});
        EXPECT_EQ(ErrorNumberOf([&] { Query(file, "SELECT * FROM Table1 WHERE A >=1"); }),
                  ErrorNumber::StatementRejected);
        EXPECT_EQ(ErrorNumberOf([&] { Query(file, "SELECT * FROM Table1 WHERE Z >=1"); }),
                  ErrorNumber::StatementRejected);
    }
}

// The rows the reader copies into an SQLite file read back with SQLite as
// the reader answers them, memo and all, each copy into its table; only
// their columns come back.
TEST(JetBackend, CopiesTheRowsIntoAnSqliteFileAsItReadsThem)
{
    // As SQLite writes its values: a float with its decimal point, so that
    // each value shows its kind.
    const auto sqliteText = [](const Variant& value) {
        if (value.isNull())
            return QStringLiteral("NULL");
        if (value.type() != Variant::Type::Double)
            return DefaultText(value);
        const QString number = QString::number(value.real(), 'g', 15);
        return number.contains(QLatin1Char('.')) ? number : number + QStringLiteral(".0");
    };
    const auto texts = [&](const ResultSet& read) {
        QStringList rows;
        for (const std::vector<Variant>& row : read.rows) {
            QStringList values;
            for (const Variant& value : row)
                values << sqliteText(value);
            rows << values.join(QLatin1Char('|'));
        }
        return rows;
    };
    QTemporaryDir dir;
    for (const auto& [file, table] : {std::pair{"testV1997.mdb", "Table1"}, {"testV2000.mdb", "Table1"},
                                      {"fixedNumericTestV2000.mdb", "test"}}) {
        SCOPED_TRACE(file);
        const QString copy = dir.filePath(QString::fromLatin1(file) + QStringLiteral(".sqlite"));
        const DatabaseBackend::RowCopy all{QString::fromLatin1(table), {}, 0, QStringLiteral("tutte")};
        const DatabaseBackend::RowCopy some{QString::fromLatin1(table), QStringLiteral("E"), 1000,
                                            QStringLiteral("alcune")};
        const bool twoCopies = QByteArray(table) == "Table1";
        std::vector<DatabaseBackend::RowCopy> copies{all};
        if (twoCopies)
            copies.push_back(some);
        const std::unique_ptr<DatabaseBackend> jet = OpenJetDatabase(Sample(file));
        const std::optional<std::vector<QStringList>> columns = jet->copyRowsToSqliteFile(copy, copies);
        ASSERT_TRUE(columns);
        ASSERT_EQ(columns->size(), copies.size());
        const ResultSet read = jet->query(all.select());
        EXPECT_EQ(columns->front(), read.columns);
        EXPECT_EQ(SqliteFile(copy).rows(QStringLiteral("SELECT * FROM tutte ORDER BY rowid")), texts(read));
        if (twoCopies) {
            EXPECT_EQ(SqliteFile(copy).rows(QStringLiteral("SELECT * FROM alcune ORDER BY rowid")),
                      texts(jet->query(some.select())));
        }
    }
    // A condition the reader refuses leaves no table behind.
    const QString refused = dir.filePath(QStringLiteral("rifiutata.sqlite"));
    EXPECT_EQ(ErrorNumberOf([&] {
                  OpenJetDatabase(Sample("testV2000.mdb"))
                      ->copyRowsToSqliteFile(
                          refused, {{QStringLiteral("Table1"), QStringLiteral("A"), 1, QStringLiteral("righe")}});
              }),
              ErrorNumber::StatementRejected);
    EXPECT_TRUE(!QFile::exists(refused)
                || SqliteFile(refused).rows(QStringLiteral("SELECT name FROM sqlite_master")).isEmpty());
}

TEST(JetBackend, RefusesEveryWriteAndLeavesTheFileAlone)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copia.mdb"));
    ASSERT_TRUE(QFile::copy(Sample("testV2000.mdb"), copy));
    const auto digest = [&] {
        QFile file(copy);
        file.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    };
    const QByteArray before = digest();
    auto db = OpenJetDatabase(copy);
    for (const char* sql : {"DELETE FROM Table1", "INSERT INTO Table1 (A) VALUES ('x')", "DROP TABLE Table1"})
        EXPECT_EQ(ErrorNumberOf([&] { db->execute(QString::fromUtf8(sql)); }), ErrorNumber::ReadOnlyDatabase) << sql;
    db.reset();
    EXPECT_EQ(digest(), before);
}

TEST(JetBackend, RefusesDamagedFilesWithAClearError)
{
    QTemporaryDir dir;
    QFile original(Sample("testV2000.mdb"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray content = original.readAll();

    const auto writeFile = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    };
    const QString truncated = writeFile("tronco.mdb", content.left(5000));
    const QString headerOnly = writeFile("solo-intestazione.mdb", content.left(4096) + QByteArray(4096 * 8, '\0'));

    RuntimeError error(0, QString());
    try {
        OpenJetDatabase(truncated);
    } catch (const RuntimeError& caught) {
        error = caught;
    }
    EXPECT_EQ(error.number(), ErrorNumber::Failure);
    EXPECT_TRUE(error.description().contains(QStringLiteral("tronco.mdb"))) << error.description().toStdString();

    // A file whose pages were wiped opens, but its catalog cannot be read.
    EXPECT_NE(ErrorNumberOf([&] { OpenJetDatabase(headerOnly)->query(QStringLiteral("SELECT * FROM Table1")); }), 0);
}

TEST(JetBackend, GivesUpOnAFileThatMakesTheReaderLoop)
{
    // One damaged byte in the catalog's properties sends libmdb round for ever.
    QTemporaryDir dir;
    QFile original(Sample("testUnicodeCompV2003.mdb"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray content = original.readAll();
    content[71644] = 28;
    const QString path = dir.filePath(QStringLiteral("anello.mdb"));
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(content);
    damaged.close();

    QElapsedTimer timer;
    timer.start();
    try {
        OpenJetDatabase(path, std::chrono::milliseconds(1500));
        FAIL() << "the damaged file was opened";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::Failure);
        EXPECT_TRUE(error.description().contains(QStringLiteral("anello.mdb"))) << error.description().toStdString();
    }
    EXPECT_LT(timer.elapsed(), 10000);
}

TEST(JetBackend, KeepsEveryCharacterOfAJet4Text)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("testi.mdb"));
    const QString emoji = QStringLiteral("Banca \U0001F600 ĀŁ");
    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    WriteJetDatabase(path,
                     {{{QStringLiteral("t"), {{QStringLiteral("T"), JetColumnType::Text, 40}}},
                       {{Variant(emoji)}, {Variant(withNul)}, {Variant(QStringLiteral("Forlì"))}}}});
    const ResultSet result = OpenJetDatabase(path)->query(QStringLiteral("SELECT * FROM t"));
    ASSERT_EQ(result.rows.size(), 3U);
    EXPECT_EQ(result.rows[0][0], Variant(emoji));
    EXPECT_EQ(result.rows[1][0], Variant(withNul));
    EXPECT_EQ(result.rows[2][0], Variant(QStringLiteral("Forlì")));
}

TEST(JetBackend, KeepsBinaryAndUnknownColumnsAsBytes)
{
    // A damaged type byte made the Integer column AbiAbichk read as Binary.
    const ResultSet result = OpenJetDatabase(QStringLiteral(CORVANTA_DAMAGED_SAMPLES "/type-byte-damaged.mdb"))
                                 ->query(QStringLiteral("SELECT AbiAbi, AbiAbichk FROM abi"));
    ASSERT_FALSE(result.rows.empty());
    EXPECT_EQ(result.rows[0][0], Variant(1005));
    EXPECT_EQ(result.rows[0][1], Variant(QByteArray("\x07\x00", 2)));
}

TEST(JetBackend, ReadsANumberWhoseLengthIsNotItsTypesAsBytes)
{
    // A Long Integer column whose definition says 2 bytes: reading 4 would
    // take the next column's first bytes into the number.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lunghezza.mdb"));
    WriteJetDatabase(path,
                     {{{QStringLiteral("t"),
                        {{QStringLiteral("N"), JetColumnType::Integer}, {QStringLiteral("M"), JetColumnType::Integer}}},
                       {{Variant(7), Variant(-1)}}}});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray content = file.readAll();
    // The table's definition is the last page of its kind; its first column's type byte follows the header.
    qsizetype definition = -1;
    for (qsizetype page = 0; page < content.size(); page += 4096) {
        if (content.at(page) == 0x02)
            definition = page;
    }
    ASSERT_GT(definition, 2 * 4096);
    ASSERT_EQ(content.at(definition + 63), 3) << "Integer";
    content[definition + 63] = 4;  // Long Integer
    file.seek(0);
    file.write(content);
    file.close();

    const ResultSet result = OpenJetDatabase(path)->query(QStringLiteral("SELECT * FROM t"));
    ASSERT_EQ(result.rows.size(), 1U);
    EXPECT_EQ(result.rows[0][0], Variant(QByteArray("\x07\x00", 2)));
    EXPECT_EQ(result.rows[0][1], Variant(-1));
}

TEST(JetBackend, ReadsADamagedFileAlikeWhateverTheToolsHeapHolds)
{
    // libmdb reads memory it never wrote on this file's damaged catalog: with
    // the heap full of freed blocks of garbage it took Table1 for abi.
    std::vector<void*> blocks(100000);
    for (void*& block : blocks)
        block = std::memset(std::malloc(64), 'x', 64);
    for (void* block : blocks)
        std::free(block);
    SetJetReadLimitsForTests(std::chrono::seconds(120), std::size_t{64} << 20);
    const RuntimeError error = ErrorOf([] {
        OpenJetDatabase(QStringLiteral(CORVANTA_DAMAGED_SAMPLES "/loops-jet3.mdb"))
            ->query(QStringLiteral("SELECT * FROM abi"));
    });
    SetJetReadLimitsForTests(std::chrono::seconds(30));
    EXPECT_TRUE(error.description().endsWith(
        QStringLiteral("la lettura non si conclude, il file è probabilmente danneggiato.")))
        << error.description().toStdString();
}

}  // namespace
