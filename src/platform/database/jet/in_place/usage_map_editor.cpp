#include "platform/database/jet/in_place/usage_map_editor.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/usage_map.h"
#include "platform/database/jet/in_place/page_file.h"

#include <algorithm>

namespace {

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
    row.extent = RowOnPage(file.page(row.page), RowOfPointer(mapPointer));
    UsageMapType(file.page(row.page), row.extent);
    return row;
}

quint32 BitmapPageOf(JetPageFile& file, const MapRow& row, int slot)
{
    const quint32 bitmap = ReferencedBitmapPage(file.page(row.page), row.extent, slot);
    if (bitmap != 0 && (bitmap >= file.pageCount() || ReadByte(file.page(bitmap), 0) != kUsageBitmapPageType))
        throw DamagedFile(QStringLiteral("pagina di mappa %1").arg(bitmap));
    return bitmap;
}

// Rewrites an inline map so that it starts at `first` and marks `pages`.
void WriteInline(JetPageFile& file, const MapRow& row, quint32 first, const std::vector<quint32>& pages)
{
    QByteArray& page = file.writablePage(row.page);
    const qsizetype bitmap = row.extent.start + kInlineBitmapOffset;
    std::fill(page.begin() + bitmap, page.begin() + row.extent.end, '\0');
    PutLittleEndian(page, row.extent.start + kInlineFirstPageOffset, first);
    for (const quint32 marked : pages)
        SetMapBit(page, bitmap, marked - first, true);
}

void SetInReference(JetPageFile& file, const MapRow& row, quint32 marked, bool on, const PageAppender* append)
{
    const quint32 perBitmap = PagesPerBitmapPage(file.version());
    const auto slot = static_cast<int>(marked / perBitmap);
    if (slot >= ReferenceSlots(row.extent)) {
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
        bitmap = (*append)(NewBitmapPage(file.version()));
        SetReferencedBitmapPage(file.writablePage(row.page), row.extent, slot, bitmap);
    }
    SetMapBit(file.writablePage(bitmap), kBitmapPageBitmapOffset, marked % perBitmap, on);
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
    const quint8 type = UsageMapType(page, row.extent);
    if (type == kReferenceMap) {
        SetInReference(file, row, marked, on, append);
        return;
    }
    if (type != kInlineMap)
        throw DamagedFile(QStringLiteral("tipo di mappa di utilizzo %1").arg(type));
    const quint32 first = InlineFirstPage(page, row.extent);
    if (marked >= first && marked - first < InlinePagesCovered(row.extent)) {
        SetMapBit(file.writablePage(row.page), row.extent.start + kInlineBitmapOffset, marked - first, on);
        return;
    }
    if (!on)
        return;
    std::vector<quint32> pages = PagesInMap(file, mapPointer);
    pages.insert(std::upper_bound(pages.begin(), pages.end(), marked), marked);
    const quint32 newFirst = pages.front() / 8 * 8;
    if (pages.back() - newFirst < InlinePagesCovered(row.extent))
        WriteInline(file, row, newFirst, pages);
    else
        PromoteToReference(file, row, pages, *append);
}

}  // namespace

std::vector<quint32> PagesInMap(JetPageFile& file, quint32 mapPointer)
{
    const MapRow row = Locate(file, mapPointer);
    const QByteArray& page = file.page(row.page);
    std::vector<quint32> pages;
    const quint8 type = UsageMapType(page, row.extent);
    if (type == kInlineMap) {
        const quint32 first = InlineFirstPage(page, row.extent);
        for (quint32 bit = 0; bit < InlinePagesCovered(row.extent); ++bit) {
            if (MapBit(page, row.extent.start + kInlineBitmapOffset, bit))
                pages.push_back(first + bit);
        }
        return pages;
    }
    if (type != kReferenceMap)
        throw DamagedFile(QStringLiteral("tipo di mappa di utilizzo %1").arg(type));
    const quint32 perBitmap = PagesPerBitmapPage(file.version());
    for (int slot = 0; slot < ReferenceSlots(row.extent); ++slot) {
        const quint32 bitmap = BitmapPageOf(file, row, slot);
        if (bitmap == 0)
            continue;
        const QByteArray& bits = file.page(bitmap);
        for (quint32 bit = 0; bit < perBitmap; ++bit) {
            if (MapBit(bits, kBitmapPageBitmapOffset, bit))
                pages.push_back(slot * perBitmap + bit);
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
