#pragma once

#include "platform/database/jet/format/jet_format.h"

#include <QByteArray>
#include <span>
#include <vector>

// A page of an index tree.
//
//   offset  size  meaning
//   0       1     kIndexLeafPageType or kIndexNodePageType
//   1       1     kPageMarker
//   2       2     free space: the bytes past the last entry
//   4       4     page of the owning table's definition
//   8       4     unknown, 0
//   12      4     previous page of the same level; 0 for the first
//   16      4     next page of the same level; 0 for the last
//   20      4     on a node, the "tail" child: the last one, named by no entry
//   24      2     length of the prefix all entries share
//   26      1     1 on a node page, as Access writes it; readers ignore it
//   27      453   bitmap: bit i set where an entry ends, i bytes past 0x1e0
//   0x1e0   ...   the entries, all but the first without the shared prefix
//
// Jet 3 (Access 97) pages are 2048 bytes and lack the unknown field:
//   0 1 type; 1 1 marker; 2 2 free space; 4 4 owner; 8 4 previous; 12 4
//   next; 16 4 tail; 20 1 shared prefix; 21 1 node mark; 22 226 bitmap;
//   0xf8 the entries.
//
// A leaf entry is a key and the row's place (page in three bytes big-endian,
// then the row number); a node entry is its child's last leaf entry followed
// by the child's page, four bytes big-endian.
constexpr qsizetype kIndexFreeSpaceOffset = 2;
constexpr qsizetype kIndexOwnerOffset = 4;
constexpr qsizetype kIndexPreviousOffset = 12;
constexpr qsizetype kIndexNextOffset = 16;
constexpr qsizetype kIndexTailOffset = 20;
constexpr qsizetype kIndexPrefixOffset = 24;
constexpr qsizetype kIndexNodeMarkOffset = 26;
constexpr qsizetype kIndexBitmapStart = 0x1b;
constexpr qsizetype kIndexEntriesStart = 0x1e0;
constexpr qsizetype kIndexEntrySpace = kPageSize - kIndexEntriesStart;
constexpr qsizetype kJet3IndexPreviousOffset = 8;
constexpr qsizetype kJet3IndexNextOffset = 12;
constexpr qsizetype kJet3IndexTailOffset = 16;
constexpr qsizetype kJet3IndexPrefixOffset = 20;
constexpr qsizetype kJet3IndexNodeMarkOffset = 21;
constexpr qsizetype kJet3IndexBitmapStart = 0x16;
constexpr qsizetype kJet3IndexEntriesStart = 0xf8;
constexpr qsizetype kJet3IndexEntrySpace = kJet3PageSize - kJet3IndexEntriesStart;
constexpr qsizetype kJet3MaxSharedPrefix = 0xff;  // its field is one byte
constexpr int kLeafEntryTrailer = 4;
constexpr int kNodeEntryTrailer = 8;

constexpr qsizetype IndexEntrySpace(JetVersion version)
{
    return version == JetVersion::Jet3 ? kJet3IndexEntrySpace : kIndexEntrySpace;
}

struct IndexPageHeader {
    bool leaf = true;
    quint32 definitionPage = 0;
    quint32 previous = 0;
    quint32 next = 0;
    quint32 tail = 0;
};

// How many bytes of their start the entries of one page share there: no
// more than the keys of the first and last entry have in common, and never
// a whole key, as Access writes it.
qsizetype SharedIndexPrefix(std::span<const QByteArray> entries, int trailerSize,
                            JetVersion version = JetVersion::Jet4);
// The same for a page from `first` to `last`.
qsizetype SharedIndexPrefix(const QByteArray& first, const QByteArray& last, int trailerSize, JetVersion version);

// A page holding `entries` (whole, sorted), with the longest prefix it may share.
QByteArray IndexPage(const IndexPageHeader& header, std::span<const QByteArray> entries, int trailerSize,
                     JetVersion version = JetVersion::Jet4);

// Whether the page is a leaf or node page of the table defined on `definitionPage`.
bool IsIndexPageOf(const QByteArray& page, quint32 definitionPage);

// An existing page's header and its entries made whole again, with what the
// page says of its free space and where its entries really end.
struct IndexPageContents {
    IndexPageHeader header;
    std::vector<QByteArray> entries;
    quint16 declaredFreeSpace = 0;
    qsizetype entriesEnd = kIndexEntriesStart;
};

// DamagedFile when the page is not an index page or its bitmap or prefix
// contradicts its bytes.
IndexPageContents ReadIndexPage(const QByteArray& page, JetVersion version = JetVersion::Jet4);
