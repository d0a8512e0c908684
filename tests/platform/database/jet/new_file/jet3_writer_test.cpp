// New Jet 3 (Access 97) files: read back by the three readers, recognised
// by mdb-ver, laid out as Access 97 lays out its own files, and refused with
// nothing written when a value or a definition does not fit the format.
#include "all_types_table.h"
#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/database_header.h"
#include "platform/database/jet/format/rc4.h"
#include "platform/database/jet/format/table_definition_page.h"
#include "platform/database/jet/new_file/jet_database_writer.h"
#include "support/jet3_checker.h"
#include "support/jet3_tables.h"
#include "support/jet_readback.h"
#include "support/procedure_databases.h"
#include "support/source_databases.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <limits>

namespace {

using T = JetColumnType;

const QString kAccessSample = QStringLiteral(CORVANTA_JET_SAMPLES "/testV1997.mdb");

JetTableDefinition ThreeTexts()
{
    return {QStringLiteral("lunghe"),
            {{QStringLiteral("Numero"), T::LongInteger},
             {QStringLiteral("Primo"), T::Text, 255},
             {QStringLiteral("Secondo"), T::Text, 255},
             {QStringLiteral("Terzo"), T::Text, 255}}};
}

QByteArray FilePage(const QString& path, int page, int pageSize)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(static_cast<qint64>(page) * pageSize))
        return {};
    return file.read(pageSize);
}

QByteArray UnscrambledHeader(const QString& path)
{
    QByteArray page = FilePage(path, 0, kJet3PageSize);
    if (page.size() == kJet3PageSize)
        ApplyRc4(QByteArray("\xc7\xda\x39\x6b", 4), page.data() + kScrambledStart, kJet3ScrambledSize);
    return page;
}

QString ProgramOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

class Jet3Writer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString write(const std::vector<JetTable>& tables)
    {
        return WriteSourceDatabase(dir_.path(), tables, QStringLiteral("prova97.mdb"), JetVersion::Jet3);
    }

    void expectRoundTrip(const std::vector<JetTable>& tables)
    {
        const QString path = write(tables);
        EXPECT_EQ(ProgramOutput(QStringLiteral("mdb-ver"), {path}), QStringLiteral("JET3"));
        EXPECT_EQ(CheckJet3Pages(path), QStringList());
        ExpectJetFileReadsBack(path, tables);
    }

    void expectRefusedWithNothingWritten(const std::vector<JetTable>& tables, const QString& message)
    {
        try {
            write(tables);
            ADD_FAILURE() << "written: " << message.toStdString();
        } catch (const JetWriteError& error) {
            EXPECT_TRUE(error.message().contains(message)) << error.message().toStdString();
        }
        EXPECT_TRUE(QDir(dir_.path()).isEmpty());
    }

    QTemporaryDir dir_;
};

TEST_F(Jet3Writer, EveryTypeAtItsBoundsAndNullsReadBack)
{
    const double largest = std::numeric_limits<double>::max();
    SourceRows rows{{-2147483648LL, -32768, 0, -largest, "a"},
                    {2147483647, 32767, 255, largest, ""},
                    {9, 5, 6, 42, "un intero in una colonna Double"},
                    {Variant(), Variant(), Variant(), Variant(), Variant()}};
    // One row per column with only that column Null, so no Null hides another's mistake.
    const std::vector<Variant> full{17, 18, 19, 20.5, "testo"};
    for (size_t column = 0; column < full.size(); ++column) {
        std::vector<Variant> row = full;
        row[column] = Variant();
        rows.push_back(row);
    }
    expectRoundTrip({{AllTypes(QStringLiteral("limiti")), rows}, {AllTypes(QStringLiteral("vuota")), {}}});
}

TEST_F(Jet3Writer, WindowsTextsReadBack)
{
    expectRoundTrip({{AllTypes(QStringLiteral("testi")),
                      {{1, 1, 1, 1.0, QString::fromUtf8("àèéìòù ÀÈÉÌÒÙ ç ß Forlì Cefalù")},
                       {2, 2, 2, 2.0, QString::fromUtf8("€ ‚ƒ„…†‡ˆ‰Š‹ŒŽ ‘’“”•–—˜™š›œžŸ ¡¢£¤¥ ÿ")},
                       {3, 3, 3, 3.0, QStringLiteral("L'Esempio \"d'Italia\"\r\n\tfine")}}}});
}

// Rows whose variable part crosses one, two or three 256-byte boundaries,
// each length once, so that every place of the jump table's entries (and the
// extra one a row's own tail can call for) is read back.
TEST_F(Jet3Writer, RowsLongerThanAByteCanAddressReadBack)
{
    SourceRows rows;
    for (int length = 0; length <= 255; ++length) {
        const QString text(length, QChar(u'a' + length % 26));
        rows.push_back({length, text, QString(255, QLatin1Char('x')), Variant()});
        rows.push_back({1000 + length, QString(255, QLatin1Char('y')), text, QString(255 - length, QLatin1Char('z'))});
        rows.push_back({2000 + length, text, QString(255, QLatin1Char('w')), QString(255, QLatin1Char('v'))});
    }
    expectRoundTrip({{ThreeTexts(), rows}});
}

// More data pages than an inline map of 133 bytes covers: the table's maps
// and the file's own refer to bitmap pages.
TEST_F(Jet3Writer, TablesLargerThanAnInlineMapReadBack)
{
    SourceRows rows;
    for (int i = 0; i < 12000; ++i)
        rows.push_back({i, QString(200, QChar(u'a' + i % 26)), Variant(), QStringLiteral("riga %1").arg(i)});
    const QString path = write({{ThreeTexts(), rows}});
    EXPECT_GT(QFileInfo(path).size(), 1100 * kJet3PageSize);
    EXPECT_EQ(CheckJet3Pages(path), QStringList());
    ExpectJetRowCount(path, QStringLiteral("lunghe"), 12000);
    ExpectJetFileReadsBack(path, {{ThreeTexts(), rows}});
}

TEST_F(Jet3Writer, ProcedureDatabaseOfTheTestsReadsBack)
{
    const SourceRows banks = BanksFrom(300, 40);
    const QString path = WriteJet3ProcedureDatabase(dir_.path(), banks, {});
    EXPECT_EQ(ProgramOutput(QStringLiteral("mdb-ver"), {path}), QStringLiteral("JET3"));
    std::vector<JetTable> expected = ProcedureTables(banks, {});
    for (JetTable& table : expected)
        table.definition.indexes.clear();
    ExpectJetFileReadsBack(path, expected);
}

// Tables with primary keys, empty as the in-place writer fills them: the
// checker walks their trees, the readers agree, mdbtools lists the keys, and
// the descriptors hold what Access 97 writes for a primary key of its own.
TEST_F(Jet3Writer, PrimaryKeysOfNewTablesAreListedAndLaidOutAsAccess97)
{
    const std::vector<JetTable> tables{{ProcedureAbiDefinition(), {}},
                                       {ProcedureAbicabDefinition(), {}},
                                       {AllTypes(QStringLiteral("senza_indici")), {{1, 2, 3, 4.0, "cinque"}}}};
    const QString path = write(tables);
    EXPECT_EQ(CheckJet3Pages(path), QStringList());
    ExpectJetFileReadsBack(path, tables);
    const QString schema =
        ProgramOutput(QStringLiteral("mdb-schema"), {QStringLiteral("--indexes"), path, QStringLiteral("mysql")});
    EXPECT_TRUE(schema.contains(QStringLiteral("ALTER TABLE `ABI` ADD PRIMARY KEY (`AbiAbi`);")))
        << schema.toStdString();
    EXPECT_TRUE(schema.contains(QStringLiteral("ALTER TABLE `ABICAB` ADD PRIMARY KEY (`AbcAbi`, `AbcCab`);")))
        << schema.toStdString();

    // Table2 of an Access 97 file keys its first column, as ABI does.
    QFile access(QStringLiteral(CORVANTA_JET_SAMPLES "/testIndexCodesV1997.mdb"));
    ASSERT_TRUE(access.open(QIODevice::ReadOnly));
    const Jet3Tables theirs(access.readAll());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const Jet3Tables ours(file.readAll());
    const JetTableSchema accessTable =
        theirs.schema(theirs.tables().at(QStringLiteral("Table2")), QStringLiteral("Table2"));
    const JetTableSchema abi = ours.schema(ours.tables().at(QStringLiteral("ABI")), QStringLiteral("ABI"));
    ASSERT_EQ(abi.indexes.size(), 1u);
    ASSERT_EQ(accessTable.indexes.size(), 2u);
    const SchemaIndex& accessKey = accessTable.indexes[1];
    ASSERT_TRUE(accessKey.primaryKey);
    EXPECT_TRUE(abi.indexes[0].primaryKey);
    EXPECT_EQ(abi.indexes[0].flags, accessKey.flags);
    ASSERT_EQ(abi.indexes[0].columns.size(), 1u);
    EXPECT_EQ(abi.indexes[0].columns[0].column, accessKey.columns[0].column);
    EXPECT_EQ(abi.indexes[0].columns[0].ascending, accessKey.columns[0].ascending);
    ASSERT_EQ(abi.logicalIndexes.size(), 1u);
    EXPECT_EQ(abi.logicalIndexes[0].name, accessTable.logicalIndexes[1].name);
}

TEST_F(Jet3Writer, RefusesWhatTheFormatCannotHoldBeforeWriting)
{
    expectRefusedWithNothingWritten(
        {{AllTypes(QStringLiteral("russo")), {{1, 1, 1, 1.0, QString::fromUtf8("Москва")}}}},
        QStringLiteral("Colonna 'Testo': il carattere 'М' (U+041C) non esiste"));
    expectRefusedWithNothingWritten({{AllTypes(QStringLiteral("emoji")), {{1, 1, 1, 1.0, QString::fromUtf8("ok 😀")}}}},
                                    QString::fromUtf8("il carattere '😀' (U+1F600) non esiste"));
    // Defined by Unicode, but a byte Windows-1252 leaves undefined.
    expectRefusedWithNothingWritten({{AllTypes(QStringLiteral("controllo")), {{1, 1, 1, 1.0, QString(QChar(0x81))}}}},
                                    QStringLiteral("(U+0081) non esiste"));
    JetTable named{AllTypes(QString::fromUtf8("Доход")), {}};
    expectRefusedWithNothingWritten({named}, QStringLiteral("non esiste nella codifica Windows-1252"));
    JetTable indexed{AllTypes(QStringLiteral("indici")), {}};
    indexed.definition.indexes.push_back({QString::fromUtf8("Ключ"), {QStringLiteral("Lungo")}, true});
    expectRefusedWithNothingWritten({indexed}, QStringLiteral("non esiste nella codifica Windows-1252"));
    // A table with indexes takes its rows through the in-place writer, which keeps them.
    indexed.definition.indexes.front().name = QStringLiteral("PrimaryKey");
    indexed.rows.push_back({1, 1, 1, 1.0, "riga"});
    expectRefusedWithNothingWritten({indexed}, QStringLiteral("una tabella con indici si riempie"));
    try {
        JetDatabaseWriter writer(QDateTime::currentDateTime(), QStringLiteral("Ā"), JetVersion::Jet3);
        ADD_FAILURE() << "a password outside Windows-1252 accepted";
    } catch (const JetWriteError& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("Password: il carattere 'Ā' (U+0100)")))
            << error.message().toStdString();
    }
}

// The page checker passes the files Access 97 made, untouched, and catches
// a page missing from its table's map and a wrong free space.
TEST_F(Jet3Writer, PageCheckerPassesAccessFilesAndCatchesDamage)
{
    for (const char* sample : {"testV1997.mdb", "delTestV1997.mdb", "overflowTestV1997.mdb", "indexTestV1997.mdb",
                               "compIndexTestV1997.mdb", "testIndexCodesV1997.mdb"})
        EXPECT_EQ(CheckJet3Pages(QStringLiteral(CORVANTA_JET_SAMPLES "/") + QLatin1String(sample)), QStringList())
            << sample;

    const QString path = write({{AllTypes(QStringLiteral("tabella")), {{1, 2, 3, 4.0, "cinque"}}}});
    ASSERT_EQ(CheckJet3Pages(path), QStringList());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray original = file.readAll();
    // The first data page of the user table: the one whose owner is not the catalog.
    qsizetype dataPage = 0;
    for (qsizetype page = 3; page < original.size() / kJet3PageSize && dataPage == 0; ++page) {
        const char* bytes = original.constData() + page * kJet3PageSize;
        if (bytes[0] == kDataPageType
            && qFromLittleEndian<quint32>(bytes + kDataPageOwnerOffset) > kCatalogDefinitionPage)
            dataPage = page;
    }
    ASSERT_NE(dataPage, 0);
    const auto damaged = [&](qsizetype offset, char value) {
        QByteArray bytes = original;
        bytes[offset] = value;
        file.seek(0);
        file.write(bytes);
        file.flush();
        return CheckJet3Pages(path);
    };
    EXPECT_FALSE(damaged(dataPage * kJet3PageSize + kDataPageFreeSpaceOffset, 0).isEmpty());
    EXPECT_FALSE(damaged(dataPage * kJet3PageSize + kDataPageOwnerOffset, kCatalogDefinitionPage + 1).isEmpty());
}

// The fields Access 97 writes the same in every file, compared with a file it made.
TEST_F(Jet3Writer, HeaderAndCatalogLaidOutAsAccess97)
{
    const QString path = write({{AllTypes(QStringLiteral("tabella")), {}}});
    const QByteArray ours = UnscrambledHeader(path);
    const QByteArray access = UnscrambledHeader(kAccessSample);
    ASSERT_EQ(access.size(), kJet3PageSize);
    ASSERT_EQ(ours.size(), kJet3PageSize);
    EXPECT_EQ(ours.left(0x38).toHex(), access.left(0x38).toHex());
    EXPECT_EQ(ours.mid(kJet3SortOrderOffset, 6).toHex(), access.mid(kJet3SortOrderOffset, 6).toHex());

    // The catalog's column descriptors, but for the place in the fixed part
    // that Access leaves as it finds it in a variable-length column, and the
    // flags of the owner column, which this writer leaves Null.
    const QByteArray ourCatalog = FilePage(path, kCatalogDefinitionPage, kJet3PageSize);
    const QByteArray accessCatalog = FilePage(kAccessSample, kCatalogDefinitionPage, kJet3PageSize);
    EXPECT_EQ(ourCatalog.left(4).toHex(), accessCatalog.left(4).toHex());
    EXPECT_EQ(ourCatalog.mid(kJet3TableTypeOffset, 6).toHex(), accessCatalog.mid(kJet3TableTypeOffset, 6).toHex());
    const int accessRealIndexes = accessCatalog.at(31);
    for (int column = 0; column < 17; ++column) {
        QByteArray mine =
            ourCatalog.mid(kJet3DefinitionHeaderSize + kJet3ColumnDescriptorSize * column, kJet3ColumnDescriptorSize);
        QByteArray theirs =
            accessCatalog.mid(kJet3DefinitionHeaderSize + 8 * accessRealIndexes + kJet3ColumnDescriptorSize * column,
                              kJet3ColumnDescriptorSize);
        if ((static_cast<quint8>(theirs.at(kJet3ColumnFlagsOffset)) & kFixedLengthColumn) == 0) {
            theirs.replace(kJet3ColumnFixedOffsetOffset, 2, QByteArray(2, '\0'));
            mine.replace(kJet3ColumnFixedOffsetOffset, 2, QByteArray(2, '\0'));
        }
        if (column == 6)
            theirs[kJet3ColumnFlagsOffset] = mine.at(kJet3ColumnFlagsOffset);
        EXPECT_EQ(mine.toHex(' '), theirs.toHex(' ')) << "column " << column;
    }
}

}  // namespace
