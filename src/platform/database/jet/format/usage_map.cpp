#include "platform/database/jet/format/usage_map.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/table_definition.h"

#include <algorithm>

namespace {

constexpr quint32 kRowInlinePages = (kUsageMapRowSize - kInlineBitmapOffset) * 8;
constexpr qsizetype kMaxReferences = (kUsageMapRowSize - kReferenceSlotsOffset) / kReferenceSlotSize;

void SetBits(QByteArray& bytes, qsizetype bitmapOffset, quint32 bitmapStart, quint32 bitmapPages, PageRange marked)
{
    const quint32 from = std::max(marked.first, bitmapStart);
    const quint32 to = std::min(marked.first + marked.count, bitmapStart + bitmapPages);
    for (quint32 page = from; page < to; ++page)
        SetMapBit(bytes, bitmapOffset, page - bitmapStart, true);
}

bool FitsInline(PageRange pages)
{
    return pages.count <= kRowInlinePages;
}

quint32 FirstBitmap(PageRange pages)
{
    return pages.first / kPagesPerBitmapPage;
}

quint32 LastBitmap(PageRange pages)
{
    return (pages.first + pages.count - 1) / kPagesPerBitmapPage;
}

}  // namespace

int BitmapPagesNeeded(PageRange pages)
{
    if (FitsInline(pages))
        return 0;
    if (LastBitmap(pages) >= kMaxReferences)
        throw JetWriteError(QStringLiteral("il database supera la dimensione massima di un file Jet"));
    return static_cast<int>(LastBitmap(pages) - FirstBitmap(pages) + 1);
}

QByteArray UsageMapRow(PageRange pages, quint32 firstBitmapPage)
{
    QByteArray row(kUsageMapRowSize, '\0');
    if (FitsInline(pages)) {
        PutLittleEndian(row, kInlineFirstPageOffset, pages.first);
        SetBits(row, kInlineBitmapOffset, pages.first, kRowInlinePages, pages);
        return row;
    }
    row[0] = static_cast<char>(kReferenceMap);
    const int needed = BitmapPagesNeeded(pages);
    for (int i = 0; i < needed; ++i)
        PutLittleEndian(row, kReferenceSlotsOffset + kReferenceSlotSize * (FirstBitmap(pages) + i), firstBitmapPage + i);
    return row;
}

QByteArray NewBitmapPage()
{
    QByteArray page(kPageSize, '\0');
    page[0] = static_cast<char>(kUsageBitmapPageType);
    page[1] = static_cast<char>(kPageMarker);
    return page;
}

std::vector<QByteArray> UsageBitmapPages(PageRange pages)
{
    std::vector<QByteArray> result;
    const int needed = BitmapPagesNeeded(pages);
    for (int i = 0; i < needed; ++i) {
        QByteArray page = NewBitmapPage();
        SetBits(page, kBitmapPageBitmapOffset, (FirstBitmap(pages) + i) * kPagesPerBitmapPage, kPagesPerBitmapPage,
                pages);
        result.push_back(page);
    }
    return result;
}

qsizetype GlobalMapRowSize(quint32 pages)
{
    constexpr quint32 kPagesPerStep = 32;
    const qsizetype steps = (pages + kPagesPerStep - 1) / kPagesPerStep;
    return std::max(kUsageMapRowSize, kInlineBitmapOffset + steps * kPagesPerStep / 8);
}

NewGlobalMap GlobalUsageMap(quint32 pageCount)
{
    NewGlobalMap map;
    RowPage page;
    const qsizetype inlineSize = GlobalMapRowSize(pageCount);
    if (inlineSize <= RowPage::maxRowSize()) {
        QByteArray row(inlineSize, '\0');
        const auto span = static_cast<quint32>(inlineSize - kInlineBitmapOffset) * 8;
        SetBits(row, kInlineBitmapOffset, 0, span, PageRange{pageCount, span - pageCount});
        page.add(row);
        map.page = page.bytes(kGlobalUsageMapPage);
        return map;
    }
    quint32 bitmaps = 1;
    while (static_cast<quint64>(bitmaps) * kPagesPerBitmapPage < pageCount + bitmaps)
        ++bitmaps;
    if (bitmaps > kMaxReferences)
        throw JetWriteError(QStringLiteral("il database supera la dimensione massima di un file Jet"));
    const quint32 total = pageCount + bitmaps;
    const PageRange pastTheEnd{total, bitmaps * kPagesPerBitmapPage - total};
    QByteArray row(kUsageMapRowSize, '\0');
    row[0] = static_cast<char>(kReferenceMap);
    for (quint32 k = 0; k < bitmaps; ++k) {
        PutLittleEndian(row, kReferenceSlotsOffset + kReferenceSlotSize * k, pageCount + k);
        QByteArray bitmap = NewBitmapPage();
        SetBits(bitmap, kBitmapPageBitmapOffset, k * kPagesPerBitmapPage, kPagesPerBitmapPage, pastTheEnd);
        map.bitmapPages.push_back(bitmap);
    }
    page.add(row);
    map.page = page.bytes(kGlobalUsageMapPage);
    return map;
}

quint8 UsageMapType(const QByteArray& page, RowExtent row)
{
    if (row.end - row.start < kInlineBitmapOffset)
        throw DamagedFile(QStringLiteral("mappa di utilizzo troppo corta"));
    return ReadByte(page, row.start);
}

quint32 InlineFirstPage(const QByteArray& page, RowExtent row)
{
    return ReadLittleEndian<quint32>(page, row.start + kInlineFirstPageOffset);
}

quint32 InlinePagesCovered(RowExtent row)
{
    return static_cast<quint32>(row.end - row.start - kInlineBitmapOffset) * 8;
}

int ReferenceSlots(RowExtent row)
{
    return static_cast<int>((row.end - row.start - kReferenceSlotsOffset) / kReferenceSlotSize);
}

quint32 ReferencedBitmapPage(const QByteArray& page, RowExtent row, int slot)
{
    return ReadLittleEndian<quint32>(page, row.start + kReferenceSlotsOffset + kReferenceSlotSize * slot);
}

void SetReferencedBitmapPage(QByteArray& page, RowExtent row, int slot, quint32 bitmapPage)
{
    PutLittleEndian(page, row.start + kReferenceSlotsOffset + kReferenceSlotSize * slot, bitmapPage);
}
