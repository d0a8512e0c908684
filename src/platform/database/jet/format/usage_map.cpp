#include "platform/database/jet/format/usage_map.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/table_definition.h"

#include <algorithm>

namespace {

quint32 RowInlinePages(JetVersion version)
{
    return static_cast<quint32>(UsageMapRowSize(version) - kInlineBitmapOffset) * 8;
}

quint32 MaxReferences(JetVersion version)
{
    return static_cast<quint32>((UsageMapRowSize(version) - kReferenceSlotsOffset) / kReferenceSlotSize);
}

void SetBits(QByteArray& bytes, qsizetype bitmapOffset, quint32 bitmapStart, quint32 bitmapPages, PageRange marked)
{
    const quint32 from = std::max(marked.first, bitmapStart);
    const quint32 to = std::min(marked.first + marked.count, bitmapStart + bitmapPages);
    for (quint32 page = from; page < to; ++page)
        SetMapBit(bytes, bitmapOffset, page - bitmapStart, true);
}

bool FitsInline(PageRange pages, JetVersion version)
{
    return pages.count <= RowInlinePages(version);
}

quint32 FirstBitmap(PageRange pages, JetVersion version)
{
    return pages.first / PagesPerBitmapPage(version);
}

quint32 LastBitmap(PageRange pages, JetVersion version)
{
    return (pages.first + pages.count - 1) / PagesPerBitmapPage(version);
}

}  // namespace

int BitmapPagesNeeded(PageRange pages, JetVersion version)
{
    if (FitsInline(pages, version))
        return 0;
    if (LastBitmap(pages, version) >= MaxReferences(version))
        throw JetWriteError(QStringLiteral("il database supera la dimensione massima di un file Jet"));
    return static_cast<int>(LastBitmap(pages, version) - FirstBitmap(pages, version) + 1);
}

QByteArray UsageMapRow(PageRange pages, quint32 firstBitmapPage, JetVersion version)
{
    QByteArray row(UsageMapRowSize(version), '\0');
    if (FitsInline(pages, version)) {
        PutLittleEndian(row, kInlineFirstPageOffset, pages.first);
        SetBits(row, kInlineBitmapOffset, pages.first, RowInlinePages(version), pages);
        return row;
    }
    row[0] = static_cast<char>(kReferenceMap);
    const int needed = BitmapPagesNeeded(pages, version);
    for (int i = 0; i < needed; ++i)
        PutLittleEndian(row, kReferenceSlotsOffset + kReferenceSlotSize * (FirstBitmap(pages, version) + i),
                        firstBitmapPage + i);
    return row;
}

QByteArray NewBitmapPage(JetVersion version)
{
    QByteArray page(PageSize(version), '\0');
    page[0] = static_cast<char>(kUsageBitmapPageType);
    page[1] = static_cast<char>(kPageMarker);
    return page;
}

std::vector<QByteArray> UsageBitmapPages(PageRange pages, JetVersion version)
{
    std::vector<QByteArray> result;
    const int needed = BitmapPagesNeeded(pages, version);
    const quint32 perBitmap = PagesPerBitmapPage(version);
    for (int i = 0; i < needed; ++i) {
        QByteArray page = NewBitmapPage(version);
        SetBits(page, kBitmapPageBitmapOffset, (FirstBitmap(pages, version) + i) * perBitmap, perBitmap, pages);
        result.push_back(page);
    }
    return result;
}

qsizetype GlobalMapRowSize(quint32 pages, JetVersion version)
{
    constexpr quint32 kPagesPerStep = 32;
    const qsizetype steps = (pages + kPagesPerStep - 1) / kPagesPerStep;
    return std::max(UsageMapRowSize(version), kInlineBitmapOffset + steps * kPagesPerStep / 8);
}

NewGlobalMap GlobalUsageMap(quint32 pageCount, JetVersion version)
{
    NewGlobalMap map;
    RowPage page(version);
    const qsizetype inlineSize = GlobalMapRowSize(pageCount, version);
    if (inlineSize <= RowPage::maxRowSize(version)) {
        QByteArray row(inlineSize, '\0');
        const auto span = static_cast<quint32>(inlineSize - kInlineBitmapOffset) * 8;
        SetBits(row, kInlineBitmapOffset, 0, span, PageRange{pageCount, span - pageCount});
        page.add(row);
        map.page = page.bytes(kGlobalUsageMapPage);
        return map;
    }
    const quint32 perBitmap = PagesPerBitmapPage(version);
    quint32 bitmaps = 1;
    while (static_cast<quint64>(bitmaps) * perBitmap < pageCount + bitmaps)
        ++bitmaps;
    if (bitmaps > MaxReferences(version))
        throw JetWriteError(QStringLiteral("il database supera la dimensione massima di un file Jet"));
    const quint32 total = pageCount + bitmaps;
    const PageRange pastTheEnd{total, bitmaps * perBitmap - total};
    QByteArray row(UsageMapRowSize(version), '\0');
    row[0] = static_cast<char>(kReferenceMap);
    for (quint32 k = 0; k < bitmaps; ++k) {
        PutLittleEndian(row, kReferenceSlotsOffset + kReferenceSlotSize * k, pageCount + k);
        QByteArray bitmap = NewBitmapPage(version);
        SetBits(bitmap, kBitmapPageBitmapOffset, k * perBitmap, perBitmap, pastTheEnd);
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
