// The file's own page map (page 1) as files grow: inline and grown 32 pages
// at a time as Access grows it, then a reference map with bitmap pages;
// every state checked page by page by the checker and the files read back
// by the three readers.
#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/usage_map.h"
#include "platform/runtime/runtime_error.h"
#include "support/jet_checker.h"
#include "support/jet_readback.h"
#include "support/procedure_databases.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

QString Sample(const QString& name)
{
    return QStringLiteral(CORVANTA_JET_SAMPLES "/") + name;
}

QByteArray ReadPage(const QString& path, quint32 number)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    file.seek(static_cast<qint64>(number) * kPageSize);
    return file.read(kPageSize);
}

quint32 PageCount(const QString& path)
{
    return static_cast<quint32>(QFileInfo(path).size() / kPageSize);
}

// The file's own map row: its type, its size, and for a reference map how many bitmap pages it names.
struct GlobalMapShape {
    quint8 type = 0;
    qsizetype size = 0;
    int bitmapPages = 0;
};

GlobalMapShape ShapeOf(const QString& path)
{
    const QByteArray page = ReadPage(path, kGlobalUsageMapPage);
    const RowExtent row = RowOnPage(page, 0);
    GlobalMapShape shape{UsageMapType(page, row), row.end - row.start, 0};
    for (int slot = 0; shape.type == kReferenceMap && slot < ReferenceSlots(row); ++slot)
        shape.bitmapPages += ReferencedBitmapPage(page, row, slot) != 0 ? 1 : 0;
    return shape;
}

void ExpectSound(const QString& path)
{
    QStringList tables = JetUserTables(path);
    tables.append(QStringLiteral("MSysObjects"));
    const QStringList problems = CheckJetTables(path, tables);
    EXPECT_TRUE(problems.isEmpty()) << problems.mid(0, 10).join(QLatin1Char('\n')).toStdString();
}

// A row of eight texts of 255 characters fills a data page alone.
JetTableDefinition Ballast()
{
    JetTableDefinition table{QStringLiteral("zavorra"), {{QStringLiteral("N"), JetColumnType::LongInteger}}};
    for (int c = 0; c < 8; ++c)
        table.columns.push_back({QStringLiteral("T%1").arg(c), JetColumnType::Text, 255});
    return table;
}

std::vector<Variant> BallastRow(int number)
{
    std::vector<Variant> row{number};
    for (int c = 0; c < 8; ++c)
        row.push_back(QString(255, QLatin1Char('a' + c)));
    return row;
}

QStringList BallastInserts(int first, int count)
{
    QStringList statements;
    for (int n = first; n < first + count; ++n)
        statements.append(InsertStatement(Ballast(), BallastRow(n)));
    return statements;
}

TEST(GlobalPageMap, SizesItsInlineRowAsAccessDoes)
{
    // testV2000.mdb, made by Access: 743 pages, a row of 101 bytes.
    const QString access = Sample(QStringLiteral("testV2000.mdb"));
    EXPECT_EQ(ShapeOf(access).size, GlobalMapRowSize(PageCount(access)));
    EXPECT_EQ(GlobalMapRowSize(743), 101);
    EXPECT_EQ(GlobalMapRowSize(772), 105);  // another Access-made file: 105 bytes for 800 pages
    EXPECT_EQ(GlobalMapRowSize(24), kUsageMapRowSize);
    EXPECT_EQ(GlobalMapRowSize(512), kUsageMapRowSize);
    EXPECT_EQ(GlobalMapRowSize(513), kUsageMapRowSize + 4);
}

// A new file too large for an inline row: bitmap pages after all the
// others, marking every page of the file used and the rest free.
TEST(GlobalPageMap, ANewFileTooLargeForTheRowGetsBitmapPages)
{
    const quint32 pages = 40000;
    const NewGlobalMap map = GlobalUsageMap(pages);
    ASSERT_EQ(map.bitmapPages.size(), 2U);
    const RowExtent row = RowOnPage(map.page, 0);
    ASSERT_EQ(UsageMapType(map.page, row), kReferenceMap);
    const quint32 total = pages + 2;
    for (int slot = 0; slot < 2; ++slot) {
        EXPECT_EQ(ReferencedBitmapPage(map.page, row, slot), pages + static_cast<quint32>(slot));
        EXPECT_EQ(static_cast<quint8>(map.bitmapPages[slot][0]), kUsageBitmapPageType);
    }
    EXPECT_EQ(ReferencedBitmapPage(map.page, row, 2), 0U);
    for (quint32 page = 0; page < 2 * kPagesPerBitmapPage; ++page) {
        const bool free =
            MapBit(map.bitmapPages[page / kPagesPerBitmapPage], kBitmapPageBitmapOffset, page % kPagesPerBitmapPage);
        ASSERT_EQ(free, page >= total) << "page " << page;
    }
    // Page 1 holds an inline row for up to 32576 pages.
    EXPECT_TRUE(GlobalUsageMap(32576).bitmapPages.empty());
    EXPECT_EQ(GlobalUsageMap(32577).bitmapPages.size(), 1U);
}

// An Access-made file past 512 pages takes rows until it is past the 768
// pages its row covers: the row grows, and Access's own pages stay used.
TEST(GlobalPageMap, AnAccessFileGrowsItsInlineRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grande.mdb"));
    ASSERT_TRUE(QFile::copy(Sample(QStringLiteral("testV2000.mdb")), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QStringList statements;
    for (int i = 0; i < 2000; ++i)
        // H, a Currency column whose default the writer cannot store, is named.
        statements.append(QStringLiteral("INSERT INTO Table1 (A, B, E, H) VALUES ('riga %1', '%2', %1, Null)")
                              .arg(i)
                              .arg(QString(100, QLatin1Char('b'))));
    RunJetStatements(path, statements);
    const GlobalMapShape shape = ShapeOf(path);
    EXPECT_GT(PageCount(path), 800U);
    EXPECT_EQ(shape.type, kInlineMap);
    EXPECT_EQ(shape.size, GlobalMapRowSize(PageCount(path)));
    ExpectSound(path);
    ExpectJetRowCount(path, QStringLiteral("Table1"), 2002);
}

// An earlier version turned the map of a file grown past 512 pages into a
// reference map without bitmap pages, where other readers take every page
// for free. The next write gives it the bitmap pages.
TEST(GlobalPageMap, AReferenceMapWithoutBitmapPagesIsMadeWhole)
{
    QTemporaryDir dir;
    const QString path = WriteJetProcedureDatabase(dir.path(), BanksFrom(1, 50), ManyAbicabRows(3000));
    ASSERT_GT(PageCount(path), 100U);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray page = ReadPage(path, kGlobalUsageMapPage);
        const RowExtent row = RowOnPage(page, 0);
        std::fill(page.begin() + row.start, page.begin() + row.end, '\0');
        page[row.start] = static_cast<char>(kReferenceMap);
        file.seek(kGlobalUsageMapPage * kPageSize);
        file.write(page);
    }
    EXPECT_FALSE(CheckJetTables(path, JetUserTables(path)).isEmpty());
    RunJetStatements(path, {QStringLiteral("DELETE FROM ABI WHERE AbiAbi >= 40")});
    EXPECT_EQ(ShapeOf(path).type, kReferenceMap);
    EXPECT_EQ(ShapeOf(path).bitmapPages, 1);
    ExpectSound(path);
    ExpectJetRowCount(path, QStringLiteral("ABI"), 39);
}

// A file written near what an inline row can map, then grown by the
// in-place writer past it (the map turns into a reference map) and past
// the pages of one bitmap page (a second one is added).
TEST(GlobalPageMap, FilesGrownPastWhatTheInlineRowHolds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("enorme.mdb"));
    JetTable ballast{Ballast(), {}};
    for (int n = 0; n < 32400; ++n)
        ballast.rows.push_back(BallastRow(n));
    WriteJetDatabase(path, {ballast});
    ballast.rows.clear();
    EXPECT_EQ(ShapeOf(path).type, kInlineMap);
    ExpectSound(path);

    RunJetStatements(path, BallastInserts(32400, 300));
    EXPECT_GT(PageCount(path), 32576U);
    EXPECT_EQ(ShapeOf(path).type, kReferenceMap);
    EXPECT_EQ(ShapeOf(path).bitmapPages, 1);
    ExpectSound(path);

    RunJetStatements(path, BallastInserts(32700, 200));
    RunJetStatements(path, {QStringLiteral("DELETE FROM zavorra WHERE N >= 32850")});
    EXPECT_GT(PageCount(path), kPagesPerBitmapPage);
    EXPECT_EQ(ShapeOf(path).bitmapPages, 2);
    ExpectSound(path);
    ExpectJetRowCount(path, QStringLiteral("zavorra"), 32850);
}

}  // namespace
