#pragma once

#include "platform/database/jet/format/bitmap.h"
#include "platform/database/jet/format/data_page.h"

#include <QByteArray>
#include <vector>

// A usage map lists pages: a table's data pages, those of them with free
// space, an index's tree pages; and on page 1 the file's own map, in which a
// set bit means a free page. A map is a row on a page of rows (data_page.h),
// named by its row pointer.
//
// The row, inline form (type 0): up to (size - 5) * 8 pages from a first one.
//   offset  size  meaning
//   0       1     kInlineMap
//   1       4     the first page the bitmap covers
//   5       n     bitmap: bit i (of byte i / 8, lowest bit first) is page first + i
//
// The row, reference form (type 1): pointers to bitmap pages.
//   offset  size  meaning
//   0       1     kReferenceMap
//   1 + 4k  4     the bitmap page for pages k * kPagesPerBitmapPage on; 0 when none
//
// A bitmap page:
//   offset  size  meaning
//   0       1     kUsageBitmapPageType
//   1       1     kPageMarker
//   2       2     unknown, 0
//   4       4092  bitmap, bit i for page k * kPagesPerBitmapPage + i
//                 (Jet 3: 2044, bit i for page k * kJet3PagesPerBitmapPage + i)
//
// Access writes a table's maps 69 bytes long, so that an inline map covers
// 512 pages; Access 97 writes them 133 bytes long (1024 pages). The file's own map on page 1 grows past that with the file, 32
// pages at a time (101 bytes for 743 pages); a file larger than page 1 can
// map inline has a reference map whose bitmap pages cover every page.
constexpr quint8 kInlineMap = 0x00;
constexpr quint8 kReferenceMap = 0x01;
constexpr qsizetype kInlineFirstPageOffset = 1;
constexpr qsizetype kInlineBitmapOffset = 5;
constexpr qsizetype kReferenceSlotsOffset = 1;
constexpr qsizetype kReferenceSlotSize = 4;
constexpr qsizetype kBitmapPageBitmapOffset = 4;
constexpr quint32 kPagesPerBitmapPage = (kPageSize - kBitmapPageBitmapOffset) * 8;
constexpr qsizetype kUsageMapRowSize = 69;
constexpr quint32 kJet3PagesPerBitmapPage = (kJet3PageSize - kBitmapPageBitmapOffset) * 8;
constexpr qsizetype kJet3UsageMapRowSize = 133;

constexpr quint32 PagesPerBitmapPage(JetVersion version)
{
    return version == JetVersion::Jet3 ? kJet3PagesPerBitmapPage : kPagesPerBitmapPage;
}

constexpr qsizetype UsageMapRowSize(JetVersion version)
{
    return version == JetVersion::Jet3 ? kJet3UsageMapRowSize : kUsageMapRowSize;
}

// Writing the maps of a new file.

// A run of consecutive pages: a table's data pages are written side by side.
struct PageRange {
    quint32 first = 0;
    quint32 count = 0;
};

// How many bitmap pages the map of `pages` needs besides its row: 0 when it fits inline.
int BitmapPagesNeeded(PageRange pages, JetVersion version = JetVersion::Jet4);

// The map row; its bitmap pages, if it needs any, are numbered from `firstBitmapPage` on.
QByteArray UsageMapRow(PageRange pages, quint32 firstBitmapPage, JetVersion version = JetVersion::Jet4);

// The bitmap pages the row points to, in order.
std::vector<QByteArray> UsageBitmapPages(PageRange pages, JetVersion version = JetVersion::Jet4);

// An empty bitmap page.
QByteArray NewBitmapPage(JetVersion version = JetVersion::Jet4);

// The size of the file's own inline map row for a file of `pages` pages, as Access sizes it.
qsizetype GlobalMapRowSize(quint32 pages, JetVersion version = JetVersion::Jet4);

// The file's own map for a new file whose pages besides the map's bitmap
// pages number `pageCount`: page 1, inline while it can be, and the bitmap
// pages, numbered from `pageCount` on, to write after all the others. Every
// page of the file is used; those past its end that the map covers are free.
struct NewGlobalMap {
    QByteArray page;
    std::vector<QByteArray> bitmapPages;
};
NewGlobalMap GlobalUsageMap(quint32 pageCount, JetVersion version = JetVersion::Jet4);

// Reading and changing a map row where it lies: `page` is the page of rows
// holding it, `row` its extent there (RowOnPage). Reads are checked:
// DamagedFile when the row is too short for its type.

quint8 UsageMapType(const QByteArray& page, RowExtent row);
quint32 InlineFirstPage(const QByteArray& page, RowExtent row);
quint32 InlinePagesCovered(RowExtent row);
int ReferenceSlots(RowExtent row);
quint32 ReferencedBitmapPage(const QByteArray& page, RowExtent row, int slot);
void SetReferencedBitmapPage(QByteArray& page, RowExtent row, int slot, quint32 bitmapPage);
