#pragma once

#include <QByteArray>
#include <vector>

// A run of consecutive pages: a table's data pages are written side by side.
struct PageRange {
    quint32 first = 0;
    quint32 count = 0;
};

// A table finds its data pages through a usage map, a row of 69 bytes on a
// page of maps. Up to 512 pages fit in the row itself (type 0: the first page
// and a bitmap); more need a reference map (type 1: pointers to pages of type
// 0x05 whose bitmaps cover 32736 pages each, from page 0 on).

constexpr qsizetype kUsageMapRowSize = 69;

// How many bitmap pages the map of `pages` needs besides its row: 0 when it fits inline.
int BitmapPagesNeeded(PageRange pages);

// The map row; its bitmap pages, if it needs any, are numbered from `firstBitmapPage` on.
QByteArray UsageMapRow(PageRange pages, quint32 firstBitmapPage);

// The bitmap pages the row points to, in order.
std::vector<QByteArray> UsageBitmapPages(PageRange pages);

// An inline map from page 0 on that marks every page from `firstFreePage` on:
// the file's own map of free pages.
QByteArray FreePagesMapRow(quint32 firstFreePage);
