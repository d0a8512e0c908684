// Index pages as Access lays them out: every index page of the Access-made
// files reads, and the page written from what was read holds the same bytes
// up to the end of its entries (Access leaves stale bytes past them).
#include "platform/database/jet/format/index_page.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QtEndian>

namespace {

qsizetype FirstDifference(const QByteArray& a, const QByteArray& b, qsizetype length)
{
    qsizetype at = 0;
    while (at < length && a[at] == b[at])
        ++at;
    return at;
}

qsizetype StoredPrefix(const QByteArray& page, JetVersion version)
{
    if (version == JetVersion::Jet3)
        return static_cast<quint8>(page[kJet3IndexPrefixOffset]);
    return qFromLittleEndian<quint16>(page.constData() + kIndexPrefixOffset);
}

void ExpectPagesRewriteAlike(const QString& pattern, JetVersion version)
{
    const QDir folder(QStringLiteral(CORVANTA_JET_SAMPLES));
    const QStringList files = folder.entryList({pattern});
    ASSERT_FALSE(files.isEmpty());
    const int pageSize = PageSize(version);
    const qsizetype prefixOffset = version == JetVersion::Jet3 ? kJet3IndexPrefixOffset : kIndexPrefixOffset;
    int nodes = 0;
    int shared = 0;
    int unshared = 0;
    for (const QString& name : files) {
        // Its pages are enciphered; the page file deciphers them, not this test.
        if (name.startsWith(QLatin1String("encrypted")))
            continue;
        SCOPED_TRACE(name.toStdString());
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (qsizetype at = 0; at + pageSize <= bytes.size(); at += pageSize) {
            const QByteArray page = bytes.mid(at, pageSize);
            if (page[0] != char(kIndexLeafPageType) && page[0] != char(kIndexNodePageType))
                continue;
            SCOPED_TRACE(at / pageSize);
            IndexPageContents contents;
            ASSERT_NO_THROW(contents = ReadIndexPage(page, version));
            EXPECT_EQ(contents.declaredFreeSpace, pageSize - contents.entriesEnd);
            nodes += contents.header.leaf ? 0 : 1;
            const int trailer = contents.header.leaf ? kLeafEntryTrailer : kNodeEntryTrailer;
            const QByteArray rewritten = IndexPage(contents.header, contents.entries, trailer, version);
            ASSERT_EQ(rewritten.size(), pageSize);
            const IndexPageContents reread = ReadIndexPage(rewritten, version);
            EXPECT_EQ(reread.entries, contents.entries);
            EXPECT_EQ(reread.header.tail, contents.header.tail);
            EXPECT_EQ(reread.header.previous, contents.header.previous);
            EXPECT_EQ(reread.header.next, contents.header.next);
            const qsizetype prefix = SharedIndexPrefix(contents.entries, trailer, version);
            if (StoredPrefix(page, version) == prefix) {
                shared += prefix > 0 ? 1 : 0;
                EXPECT_EQ(FirstDifference(rewritten, page, contents.entriesEnd), contents.entriesEnd);
            } else {
                // Access shares the longest prefix it may or, on pages it
                // wrote in one go, none: then only the fixed header compares.
                ++unshared;
                EXPECT_EQ(StoredPrefix(page, version), 0);
                EXPECT_EQ(FirstDifference(rewritten, page, prefixOffset), kIndexFreeSpaceOffset);
                EXPECT_EQ(rewritten.mid(kIndexOwnerOffset, prefixOffset - kIndexOwnerOffset),
                          page.mid(kIndexOwnerOffset, prefixOffset - kIndexOwnerOffset));
            }
        }
    }
    // The samples hold trees of more than one level and pages of both kinds.
    EXPECT_GT(nodes, 0);
    EXPECT_GT(shared, 0);
    EXPECT_GT(unshared, 0);
}

TEST(IndexPages, Jet3PagesOfAccessRewriteToTheSameBytes)
{
    ExpectPagesRewriteAlike(QStringLiteral("*V1997.mdb"), JetVersion::Jet3);
}

TEST(IndexPages, Jet4PagesOfAccessRewriteToTheSameBytes)
{
    ExpectPagesRewriteAlike(QStringLiteral("*V200*.mdb"), JetVersion::Jet4);
}

TEST(IndexPages, ABitmapPastThePageIsRefused)
{
    const std::vector<QByteArray> entries{QByteArray("\x7f\x01\x00\x00\x00\x02\x00", 7)};
    QByteArray page = IndexPage({true, 7, 0, 0, 0}, entries, kLeafEntryTrailer, JetVersion::Jet3);
    page[kJet3IndexEntriesStart - 1] = '\x80';  // an entry ending 1807 bytes in, past the page's 1800
    EXPECT_ANY_THROW(ReadIndexPage(page, JetVersion::Jet3));
}

TEST(IndexPages, AJet3PageSharesNoMoreThanItsOneBytePrefixHolds)
{
    const QByteArray key(300, 'k');
    const std::vector<QByteArray> entries{key + QByteArray("a\0\0\x01\x01", 5), key + QByteArray("b\0\0\x01\x02", 5)};
    const QByteArray page = IndexPage({true, 7, 0, 0, 0}, entries, kLeafEntryTrailer, JetVersion::Jet3);
    EXPECT_EQ(StoredPrefix(page, JetVersion::Jet3), kJet3MaxSharedPrefix);
    EXPECT_EQ(ReadIndexPage(page, JetVersion::Jet3).entries, entries);
}

}  // namespace
