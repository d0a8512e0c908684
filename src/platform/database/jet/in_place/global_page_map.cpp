#include "platform/database/jet/in_place/global_page_map.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/usage_map.h"
#include "platform/database/jet/in_place/page_file.h"
#include "platform/runtime/runtime_error.h"

#include <functional>
#include <utility>
#include <vector>

namespace {

constexpr int kGlobalMapRow = 0;

RowExtent GlobalRow(JetPageFile& file)
{
    return RowOnPage(file.page(kGlobalUsageMapPage), kGlobalMapRow);
}

RuntimeError TooLarge()
{
    return {ErrorNumber::Failure,
            QStringLiteral("Impossibile aggiornare il database: supera la dimensione massima di un file Jet.")};
}

quint32 BitmapPage(JetPageFile& file, RowExtent row, int slot)
{
    const quint32 bitmap = ReferencedBitmapPage(file.page(kGlobalUsageMapPage), row, slot);
    if (bitmap != 0 && (bitmap >= file.pageCount() || ReadByte(file.page(bitmap), 0) != kUsageBitmapPageType))
        throw DamagedFile(QStringLiteral("pagina di mappa %1").arg(bitmap));
    return bitmap;
}

// Sets the page's bit where the map covers it; a page it does not cover
// reads as free already.
void SetFree(JetPageFile& file, quint32 page, bool free)
{
    const RowExtent row = GlobalRow(file);
    const QByteArray& map = file.page(kGlobalUsageMapPage);
    const quint8 type = UsageMapType(map, row);
    if (type == kInlineMap) {
        const quint32 first = InlineFirstPage(map, row);
        if (page >= first && page - first < InlinePagesCovered(row))
            SetMapBit(file.writablePage(kGlobalUsageMapPage), row.start + kInlineBitmapOffset, page - first, free);
        return;
    }
    if (type != kReferenceMap)
        throw DamagedFile(QStringLiteral("tipo della mappa delle pagine %1").arg(type));
    const quint32 perBitmap = PagesPerBitmapPage(file.version());
    const auto slot = static_cast<int>(page / perBitmap);
    if (slot >= ReferenceSlots(row))
        return;
    const quint32 bitmap = BitmapPage(file, row, slot);
    if (bitmap != 0)
        SetMapBit(file.writablePage(bitmap), kBitmapPageBitmapOffset, page % perBitmap, free);
}

bool IsBitmapPage(JetPageFile& file, quint32 page)
{
    return page != 0 && page < file.pageCount() && ReadByte(file.page(page), 0) == kUsageBitmapPageType;
}

// Gives every slot of a reference map up to the end of the file its bitmap
// page, which marks free the pages `wasFree` names; the bitmap pages
// themselves, added at the end of the file, are marked used. A slot past
// the end of the file that names no bitmap page is cleared (the bytes of an
// inline map whose type byte alone was changed).
void AddMissingBitmaps(JetPageFile& file, RowExtent row, const std::function<bool(quint32)>& wasFree)
{
    const quint32 perBitmap = PagesPerBitmapPage(file.version());
    std::vector<std::pair<quint32, quint32>> added;  // slot, bitmap page
    for (int slot = 0; slot < ReferenceSlots(row); ++slot) {
        const quint32 current = ReferencedBitmapPage(file.page(kGlobalUsageMapPage), row, slot);
        if (IsBitmapPage(file, current))
            continue;
        quint32 bitmap = 0;
        if (static_cast<quint32>(slot) * perBitmap < file.pageCount()) {
            bitmap = file.appendPage(NewBitmapPage(file.version()));
            added.emplace_back(slot, bitmap);
        } else if (current == 0) {
            continue;
        }
        SetReferencedBitmapPage(file.writablePage(kGlobalUsageMapPage), row, slot, bitmap);
    }
    if (file.pageCount() > static_cast<quint32>(ReferenceSlots(row)) * perBitmap)
        throw TooLarge();
    for (const auto& [slot, bitmap] : added) {
        QByteArray& bits = file.writablePage(bitmap);
        for (quint32 bit = 0; bit < perBitmap; ++bit)
            SetMapBit(bits, kBitmapPageBitmapOffset, bit, wasFree(slot * perBitmap + bit));
    }
    for (const auto& [slot, bitmap] : added)
        SetFree(file, bitmap, false);
}

// Access's way: the inline row grows to the pages of the file, 32 at a
// time. False when page 1 has not the room.
bool GrowInline(JetPageFile& file, RowExtent row)
{
    const quint32 pages = file.pageCount();
    if (!GrowRowOnPage(file.writablePage(kGlobalUsageMapPage), kGlobalMapRow,
                       GlobalMapRowSize(pages, file.version()) - (row.end - row.start)))
        return false;
    const RowExtent grown = GlobalRow(file);
    QByteArray& map = file.writablePage(kGlobalUsageMapPage);
    for (quint32 page = InlinePagesCovered(row); page < InlinePagesCovered(grown); ++page)
        SetMapBit(map, grown.start + kInlineBitmapOffset, page, page >= pages);
    return true;
}

// The row keeps its size and lists bitmap pages instead; every page keeps
// the state the inline map gave it, and those it did not cover are used up
// to the end of the file.
void ConvertToReference(JetPageFile& file, RowExtent row)
{
    const QByteArray old = file.page(kGlobalUsageMapPage);
    const quint32 first = InlineFirstPage(old, row);
    const quint32 span = InlinePagesCovered(row);
    const quint32 pages = file.pageCount();
    QByteArray& map = file.writablePage(kGlobalUsageMapPage);
    std::fill(map.begin() + row.start, map.begin() + row.end, '\0');
    map[row.start] = static_cast<char>(kReferenceMap);
    AddMissingBitmaps(file, row, [&](quint32 page) {
        if (page >= pages)
            return true;
        return page >= first && page - first < span && MapBit(old, row.start + kInlineBitmapOffset, page - first);
    });
}

}  // namespace

void CoverWholeFile(JetPageFile& file)
{
    const RowExtent row = GlobalRow(file);
    const QByteArray& map = file.page(kGlobalUsageMapPage);
    const quint8 type = UsageMapType(map, row);
    if (type == kReferenceMap) {
        const quint32 pages = file.pageCount();
        AddMissingBitmaps(file, row, [pages](quint32 page) { return page >= pages; });
        return;
    }
    if (type != kInlineMap)
        throw DamagedFile(QStringLiteral("tipo della mappa delle pagine %1").arg(type));
    const quint32 first = InlineFirstPage(map, row);
    if (first == 0 && InlinePagesCovered(row) >= file.pageCount())
        return;
    if (first != 0 || !GrowInline(file, row))
        ConvertToReference(file, row);
}

void MarkPageUsed(JetPageFile& file, quint32 page)
{
    CoverWholeFile(file);
    SetFree(file, page, false);
}

void MarkPageFree(JetPageFile& file, quint32 page)
{
    SetFree(file, page, true);
}
