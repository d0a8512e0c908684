#pragma once

#include "usage_map_editor.h"

#include <QByteArray>
#include <vector>

class JetPageFile;

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

struct IndexPageHeader {
    bool leaf = true;
    quint32 definitionPage = 0;
    quint32 previous = 0;
    quint32 next = 0;
    quint32 tail = 0;
};

// A page holding `entries` (whole, sorted), with the longest prefix it may share.
QByteArray IndexPage(const IndexPageHeader& header, const std::vector<QByteArray>& entries, int trailerSize);

// Writes a tree holding `entries` (leaf entries, sorted). The root stays on
// `rootPage`; the other pages come from `reusable` first, then from
// `append`. Answers every page the tree now uses.
std::vector<quint32> WriteIndexTree(JetPageFile& file, quint32 definitionPage, quint32 rootPage,
                                    std::vector<quint32> reusable, const std::vector<QByteArray>& entries,
                                    const PageAppender& append);
