#pragma once

#include <QByteArray>
#include <vector>

// The pages of an index tree, as Jet 4 lays them out. A page starts with
// its type (leaf or node), free space, table, the previous and next page of
// its level and, on a node, the "tail" child; then the length of the prefix
// its entries share, a bitmap marking where each entry ends, and the
// entries, all but the first without the shared prefix. A leaf entry is a
// key and the row's place; a node entry is its child's last entry and the
// child's page, except for the last child, which only the tail names.

constexpr quint8 kIndexNodePage = 0x03;
constexpr quint8 kIndexLeafPage = 0x04;
constexpr qsizetype kIndexEntriesStart = 0x1e0;
constexpr qsizetype kIndexBitmapStart = 0x1b;
constexpr qsizetype kIndexEntrySpace = 4096 - kIndexEntriesStart;

struct IndexPageHeader {
    bool leaf = true;
    quint32 definitionPage = 0;
    quint32 previous = 0;
    quint32 next = 0;
    quint32 tail = 0;
};

// What a page holds of a key and its row's place: the row's page and number,
// and on a node also the child's page.
constexpr int kLeafEntryTrailer = 4;
constexpr int kNodeEntryTrailer = 8;

// How many bytes of their start the entries of one page share there: no
// more than the keys of the first and last entry have in common, and never
// a whole key, as Access writes it.
qsizetype SharedIndexPrefix(const std::vector<QByteArray>& entries, int trailerSize);

// A page holding `entries` (whole, sorted), with the longest prefix it may share.
QByteArray IndexPage(const IndexPageHeader& header, const std::vector<QByteArray>& entries, int trailerSize);

