#include "platform/database/jet/in_place/usage_map_editor.h"

#include "platform/database/jet/in_place/damaged_file.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/in_place/page_file.h"

#include <algorithm>

namespace {

constexpr quint8 kInlineMap = 0x00;
constexpr quint8 kReferenceMap = 0x01;
constexpr qsizetype kInlineBitmapOffset = 5;
constexpr qsizetype kBitmapPageHeader = 4;
constexpr quint32 kPagesPerBitmapPage = (kPageSize - kBitmapPageHeader) * 8;
constexpr qsizetype kRowCountOffset = 12;
constexpr qsizetype kFirstRowOffset = 14;
constexpr quint16 kRowOffsetMask = 0x1fff;
constexpr quint32 kGlobalMapPointer = kGlobalUsageMapPage << 8;

// Where a map's row lies.
struct MapRow {
    quint32 page = 0;
    RowExtent extent;
};

MapRow Locate(JetPageFile& file, quint32 mapPointer)
{
    MapRow row;
    row.page = mapPointer >> 8;
    if (row.page == 0 || row.page >= file.pageCount())
        throw DamagedFile(QStringLiteral("mappa di utilizzo fuori dal file"));
    row.extent = RowOnPage(file.page(row.page), static_cast<int>(mapPointer & 0xff));
    if (row.extent.end - row.extent.start < kInlineBitmapOffset)
        throw DamagedFile(QStringLiteral("mappa di utilizzo troppo corta"));
    return row;
}

bool TestBit(const QByteArray& bytes, qsizetype bitmapOffset, quint32 bit)
{
    return (static_cast<quint8>(bytes.at(bitmapOffset + bit / 8)) >> (bit % 8)) & 1;
}

void PutBit(QByteArray& bytes, qsizetype bitmapOffset, quint32 bit, bool on)
{
    char& byte = bytes[bitmapOffset + bit / 8];
    byte = static_cast<char>(on ? (byte | (1 << (bit % 8))) : (byte & ~(1 << (bit % 8))));
}

quint32 InlinePages(const MapRow& row)
{
    return static_cast<quint32>(row.extent.end - row.extent.start - kInlineBitmapOffset) * 8;
}

int ReferenceSlots(const MapRow& row)
{
    return static_cast<int>((row.extent.end - row.extent.start - 1) / 4);
}

quint32 BitmapPageOf(JetPageFile& file, const MapRow& row, int slot)
{
    const quint32 bitmap = ReadLittleEndian<quint32>(file.page(row.page), row.extent.start + 1 + 4 * slot);
    if (bitmap != 0 && (bitmap >= file.pageCount() || ReadByte(file.page(bitmap), 0) != kUsageBitmapPage))
        throw DamagedFile(QStringLiteral("pagina di mappa %1").arg(bitmap));
    return bitmap;
}

// Rewrites an inline map so that it starts at `first` and marks `pages`.
void WriteInline(JetPageFile& file, const MapRow& row, quint32 first, const std::vector<quint32>& pages)
{
    QByteArray& page = file.writablePage(row.page);
    const qsizetype bitmap = row.extent.start + kInlineBitmapOffset;
    std::fill(page.begin() + bitmap, page.begin() + row.extent.end, '\0');
    PutLittleEndian(page, row.extent.start + 1, first);
    for (const quint32 marked : pages)
        PutBit(page, bitmap, marked - first, true);
}

QByteArray NewBitmapPage()
{
    QByteArray page(kPageSize, '\0');
    page[0] = static_cast<char>(kUsageBitmapPage);
    page[1] = 0x01;
    return page;
}

void SetInReference(JetPageFile& file, const MapRow& row, quint32 marked, bool on, const PageAppender* append)
{
    const auto slot = static_cast<int>(marked / kPagesPerBitmapPage);
    if (slot >= ReferenceSlots(row)) {
        if (!on || !append)
            return;
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("Impossibile aggiornare il database: supera la dimensione massima di un "
                                          "file Jet."));
    }
    quint32 bitmap = BitmapPageOf(file, row, slot);
    if (bitmap == 0) {
        if (!on || !append)
            return;  // an absent bitmap marks nothing
        bitmap = (*append)(NewBitmapPage());
        PutLittleEndian(file.writablePage(row.page), row.extent.start + 1 + 4 * slot, bitmap);
    }
    PutBit(file.writablePage(bitmap), kBitmapPageHeader, marked % kPagesPerBitmapPage, on);
}

// Too many pages for an inline map: the row becomes a list of bitmap pages.
void PromoteToReference(JetPageFile& file, const MapRow& row, std::vector<quint32> pages, const PageAppender& append)
{
    QByteArray& page = file.writablePage(row.page);
    std::fill(page.begin() + row.extent.start, page.begin() + row.extent.end, '\0');
    page[row.extent.start] = static_cast<char>(kReferenceMap);
    for (const quint32 marked : pages)
        SetInReference(file, row, marked, true, &append);
}

void SetInMap(JetPageFile& file, quint32 mapPointer, quint32 marked, bool on, const PageAppender* append)
{
    const MapRow row = Locate(file, mapPointer);
    const QByteArray& page = file.page(row.page);
    const quint8 type = ReadByte(page, row.extent.start);
    if (type == kReferenceMap) {
        SetInReference(file, row, marked, on, append);
        return;
    }
    if (type != kInlineMap)
        throw DamagedFile(QStringLiteral("tipo di mappa di utilizzo %1").arg(type));
    const quint32 first = ReadLittleEndian<quint32>(page, row.extent.start + 1);
    if (marked >= first && marked - first < InlinePages(row)) {
        PutBit(file.writablePage(row.page), row.extent.start + kInlineBitmapOffset, marked - first, on);
        return;
    }
    if (!on)
        return;
    std::vector<quint32> pages = PagesInMap(file, mapPointer);
    pages.insert(std::upper_bound(pages.begin(), pages.end(), marked), marked);
    const quint32 newFirst = pages.front() / 8 * 8;
    if (pages.back() - newFirst < InlinePages(row))
        WriteInline(file, row, newFirst, pages);
    else
        PromoteToReference(file, row, pages, *append);
}

}  // namespace

RowExtent RowOnPage(const QByteArray& page, int row)
{
    const int rows = ReadLittleEndian<quint16>(page, kRowCountOffset);
    if (row < 0 || row >= rows)
        throw DamagedFile(QStringLiteral("riga %1 assente dalla pagina").arg(row));
    RowExtent extent;
    extent.start = ReadLittleEndian<quint16>(page, kFirstRowOffset + 2 * row) & kRowOffsetMask;
    extent.end = row == 0 ? kPageSize : ReadLittleEndian<quint16>(page, kFirstRowOffset + 2 * (row - 1)) & kRowOffsetMask;
    if (extent.start < kFirstRowOffset + 2 * rows || extent.end > kPageSize || extent.start > extent.end)
        throw DamagedFile(QStringLiteral("posizione della riga %1").arg(row));
    return extent;
}

std::vector<quint32> PagesInMap(JetPageFile& file, quint32 mapPointer)
{
    const MapRow row = Locate(file, mapPointer);
    const QByteArray& page = file.page(row.page);
    std::vector<quint32> pages;
    const quint8 type = ReadByte(page, row.extent.start);
    if (type == kInlineMap) {
        const quint32 first = ReadLittleEndian<quint32>(page, row.extent.start + 1);
        for (quint32 bit = 0; bit < InlinePages(row); ++bit) {
            if (TestBit(page, row.extent.start + kInlineBitmapOffset, bit))
                pages.push_back(first + bit);
        }
        return pages;
    }
    if (type != kReferenceMap)
        throw DamagedFile(QStringLiteral("tipo di mappa di utilizzo %1").arg(type));
    for (int slot = 0; slot < ReferenceSlots(row); ++slot) {
        const quint32 bitmap = BitmapPageOf(file, row, slot);
        if (bitmap == 0)
            continue;
        const QByteArray& bits = file.page(bitmap);
        for (quint32 bit = 0; bit < kPagesPerBitmapPage; ++bit) {
            if (TestBit(bits, kBitmapPageHeader, bit))
                pages.push_back(slot * kPagesPerBitmapPage + bit);
        }
    }
    return pages;
}

void AddToMap(JetPageFile& file, quint32 mapPointer, quint32 page, const PageAppender& append)
{
    SetInMap(file, mapPointer, page, true, &append);
}

void RemoveFromMap(JetPageFile& file, quint32 mapPointer, quint32 page)
{
    SetInMap(file, mapPointer, page, false, nullptr);
}

void MarkPageUsed(JetPageFile& file, quint32 page)
{
    const MapRow row = Locate(file, kGlobalMapPointer);
    const QByteArray& bytes = file.page(row.page);
    const quint8 type = ReadByte(bytes, row.extent.start);
    if (type == kReferenceMap) {
        SetInReference(file, row, page, false, nullptr);
        return;
    }
    if (type != kInlineMap)
        throw DamagedFile(QStringLiteral("tipo della mappa delle pagine %1").arg(type));
    const quint32 first = ReadLittleEndian<quint32>(bytes, row.extent.start + 1);
    const quint32 span = InlinePages(row);
    if (page >= first && page - first < span) {
        PutBit(file.writablePage(row.page), row.extent.start + kInlineBitmapOffset, page - first, false);
        return;
    }
    if (page < first)
        return;  // new pages come at the end of the file, never before the window
    // A file grown past what the inline map covers: Access then keeps a
    // reference map without bitmap pages, which marks no page free. Moving
    // the window instead would leave the pages before it looking free.
    QByteArray& writable = file.writablePage(row.page);
    std::fill(writable.begin() + row.extent.start, writable.begin() + row.extent.end, '\0');
    writable[row.extent.start] = static_cast<char>(kReferenceMap);
}

void MarkPageFree(JetPageFile& file, quint32 page)
{
    const MapRow row = Locate(file, kGlobalMapPointer);
    const QByteArray& bytes = file.page(row.page);
    const quint8 type = ReadByte(bytes, row.extent.start);
    if (type == kReferenceMap) {
        SetInReference(file, row, page, true, nullptr);
        return;
    }
    const quint32 first = ReadLittleEndian<quint32>(bytes, row.extent.start + 1);
    if (type == kInlineMap && page >= first && page - first < InlinePages(row))
        PutBit(file.writablePage(row.page), row.extent.start + kInlineBitmapOffset, page - first, true);
}
