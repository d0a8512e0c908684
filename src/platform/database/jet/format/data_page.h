#pragma once

#include "platform/database/jet/format/jet_format.h"

#include <QByteArray>

// A page that holds rows: the data pages of a table, and the pages of usage
// map rows, which share this layout.
//
//   offset  size  meaning
//   0       1     page type: kDataPageType (a page of maps has it too)
//   1       1     kPageMarker
//   2       2     free space: the bytes between the offset table and the lowest row
//   4       4     page of the owning table's definition; 0 on a page of maps, 1 on page 1
//   8       4     unknown, 0 (absent in Jet 3)
//   12      2     row count (Jet 3: at 8)
//   14      2*n   each row's offset entry, row 0 first (bits below) (Jet 3: from 10)
//   ...           free space
//   ...           the rows, row 0 at the end of the page and each next one below it
//
// An offset entry: bits 0-12 the row's start; bit 14 the row has moved to
// another page and holds only where it is now (an overflow row: its number
// in one byte, then its page in three); bit 15 the row is deleted. A row
// ends where the row before it starts, row 0 at the end of the page.
constexpr qsizetype kDataPageFreeSpaceOffset = 2;
constexpr qsizetype kDataPageOwnerOffset = 4;
constexpr qsizetype kDataPageRowCountOffset = 12;
constexpr qsizetype kDataPageHeaderSize = 14;
constexpr qsizetype kJet3DataPageRowCountOffset = 8;
constexpr qsizetype kJet3DataPageHeaderSize = 10;
constexpr qsizetype kRowOffsetEntrySize = 2;
constexpr quint16 kRowOffsetMask = 0x1fff;
constexpr quint16 kOverflowRowFlag = 0x4000;
constexpr quint16 kDeletedRowFlag = 0x8000;

// Builds a page of rows.
class RowPage {
public:
    explicit RowPage(JetVersion version = JetVersion::Jet4);

    bool fits(qsizetype rowSize) const;
    // Appends a row; the caller has asked fits().
    void add(const QByteArray& row);
    int rowCount() const;
    // The finished page, owned by the table whose definition is on `ownerPage`
    // (0 for a page of usage maps, as Access writes them).
    QByteArray bytes(quint32 ownerPage) const;

    // The largest row a page can take.
    static qsizetype maxRowSize(JetVersion version = JetVersion::Jet4);
    // How many rows of `rowSize` bytes a page takes.
    static int capacity(qsizetype rowSize, JetVersion version = JetVersion::Jet4);

private:
    qsizetype freeSpace() const;
    qsizetype offsetEntryAt(int row) const;

    JetVersion version_;
    QByteArray page_;
    qsizetype dataStart_;
};

// Reading an existing page of rows. Every read is checked: DamagedFile when
// the page contradicts its layout.

// The bytes of row `row`: from its start to where the row before it starts.
struct RowExtent {
    qsizetype start = 0;
    qsizetype end = 0;
};
RowExtent RowOnPage(const QByteArray& page, int row);

int RowCountOnPage(const QByteArray& page);
quint16 RowOffsetEntry(const QByteArray& page, int row);
quint16 DeclaredFreeSpace(const QByteArray& page);
bool IsDataPageOf(const QByteArray& page, quint32 definitionPage);

// Adds a row below those an existing page holds, where it lies; answers its
// number there, or -1, the page unchanged, when the page has not the room.
// The page's offsets have been checked (RowOnPage for each row).
int AddRowToPage(QByteArray& page, const QByteArray& row);

// Marks the row deleted, as Access does: both flags of its offset entry.
void MarkRowDeletedOnPage(QByteArray& page, int row);

// Makes row `row` `extra` bytes longer at its end, moving it and the rows
// below it down the page, the new bytes zero; false, the page unchanged,
// when the page has not the room.
bool GrowRowOnPage(QByteArray& page, int row, qsizetype extra);
