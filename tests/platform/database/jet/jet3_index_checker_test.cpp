// The Jet 3 checker walks index trees: it passes the Access-made files (see
// the Jet 3 writer's tests) and catches a tree damaged in any of its parts.
#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/index_page.h"
#include "platform/database/jet/format/usage_map.h"
#include "support/jet3_checker.h"
#include "support/jet3_tables.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

class Jet3IndexChecker : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile sample(QStringLiteral(CORVANTA_JET_SAMPLES "/compIndexTestV1997.mdb"));
        ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
        original_ = sample.readAll();
        ASSERT_TRUE(dir_.isValid());
        const Jet3Tables tables(original_);
        const JetTableSchema table =
            tables.schema(tables.tables().at(QStringLiteral("Table1")), QStringLiteral("Table1"));
        ASSERT_EQ(table.indexes.size(), 1u);
        // Its descending index: a node page over three leaves.
        root_ = table.indexes[0].rootPage;
        const IndexPageContents root = ReadIndexPage(tables.page(root_), JetVersion::Jet3);
        ASSERT_FALSE(root.header.leaf);
        ASSERT_FALSE(root.entries.empty());
        firstLeaf_ = qFromBigEndian<quint32>(root.entries.front().right(4).constData());
        ASSERT_EQ(check(original_), QStringList());
    }

    QStringList check(const QByteArray& bytes)
    {
        const QString path = dir_.filePath(QStringLiteral("danneggiato.mdb"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        return CheckJet3Pages(path);
    }

    QStringList checkWith(quint32 page, qsizetype offset, char value)
    {
        QByteArray bytes = original_;
        bytes[page * kJet3PageSize + offset] = value;
        return check(bytes);
    }

    QByteArray original_;
    QTemporaryDir dir_;
    quint32 root_ = 0;
    quint32 firstLeaf_ = 0;
};

TEST_F(Jet3IndexChecker, CatchesAKeyThatIsNotTheRowsOne)
{
    const IndexPageContents leaf =
        ReadIndexPage(original_.mid(firstLeaf_ * kJet3PageSize, kJet3PageSize), JetVersion::Jet3);
    // The last byte of the first entry's key: its order holds, its value no longer matches the row.
    const qsizetype keyEnd = kJet3IndexEntriesStart + leaf.entries.front().size() - kLeafEntryTrailer - 1;
    const char byte = original_[firstLeaf_ * kJet3PageSize + keyEnd];
    EXPECT_FALSE(checkWith(firstLeaf_, keyEnd, static_cast<char>(byte ^ 0x01)).isEmpty());
}

TEST_F(Jet3IndexChecker, CatchesABrokenLinkBetweenLeaves)
{
    EXPECT_FALSE(checkWith(firstLeaf_, kJet3IndexNextOffset, 0).isEmpty());
}

TEST_F(Jet3IndexChecker, CatchesAWrongFreeSpaceOrPrefix)
{
    EXPECT_FALSE(checkWith(firstLeaf_, kIndexFreeSpaceOffset, 0).isEmpty());
    EXPECT_FALSE(checkWith(firstLeaf_, kJet3IndexPrefixOffset, 1).isEmpty());
}

TEST_F(Jet3IndexChecker, CatchesALeafThatIsNotTheTablesOrNotAnIndexPage)
{
    EXPECT_FALSE(checkWith(firstLeaf_, kIndexOwnerOffset, 3).isEmpty());
    EXPECT_FALSE(checkWith(firstLeaf_, 0, static_cast<char>(kDataPageType)).isEmpty());
}

TEST_F(Jet3IndexChecker, CatchesATreePageThePageMapCallsFree)
{
    // The file's page map sets the bit of a free page.
    const char* mapPage = original_.constData() + kGlobalUsageMapPage * kJet3PageSize;
    const qsizetype mapRow = qFromLittleEndian<quint16>(mapPage + kJet3DataPageHeaderSize) & kRowOffsetMask;
    ASSERT_EQ(mapPage[mapRow], char(kInlineMap));
    ASSERT_EQ(qFromLittleEndian<quint32>(mapPage + mapRow + kInlineFirstPageOffset), 0u);
    const qsizetype bit = mapRow + kInlineBitmapOffset + firstLeaf_ / 8;
    EXPECT_FALSE(
        checkWith(kGlobalUsageMapPage, bit, static_cast<char>(mapPage[bit] | (1 << (firstLeaf_ % 8)))).isEmpty());
}

}  // namespace
