#include "platform/database/jet/format/usage_map.h"

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/table_definition.h"

#include <algorithm>

namespace {

constexpr qsizetype kInlineBitmapOffset = 5;
constexpr quint32 kInlinePages = (kUsageMapRowSize - kInlineBitmapOffset) * 8;
constexpr qsizetype kMaxReferences = (kUsageMapRowSize - 1) / 4;
constexpr qsizetype kBitmapPageHeader = 4;
constexpr quint32 kPagesPerBitmapPage = (kPageSize - kBitmapPageHeader) * 8;

void SetBits(QByteArray& bytes, qsizetype bitmapOffset, quint32 bitmapStart, quint32 bitmapPages, PageRange marked)
{
    const quint32 from = std::max(marked.first, bitmapStart);
    const quint32 to = std::min(marked.first + marked.count, bitmapStart + bitmapPages);
    for (quint32 page = from; page < to; ++page) {
        const quint32 bit = page - bitmapStart;
        const qsizetype at = bitmapOffset + bit / 8;
        bytes[at] = static_cast<char>(bytes[at] | (1 << (bit % 8)));
    }
}

bool FitsInline(PageRange pages)
{
    return pages.count <= kInlinePages;
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
        PutLittleEndian(row, 1, pages.first);
        SetBits(row, kInlineBitmapOffset, pages.first, kInlinePages, pages);
        return row;
    }
    row[0] = 0x01;
    const int needed = BitmapPagesNeeded(pages);
    for (int i = 0; i < needed; ++i)
        PutLittleEndian(row, 1 + 4 * (FirstBitmap(pages) + i), firstBitmapPage + i);
    return row;
}

std::vector<QByteArray> UsageBitmapPages(PageRange pages)
{
    std::vector<QByteArray> result;
    const int needed = BitmapPagesNeeded(pages);
    for (int i = 0; i < needed; ++i) {
        QByteArray page(kPageSize, '\0');
        page[0] = static_cast<char>(kUsageBitmapPage);
        page[1] = 0x01;
        SetBits(page, kBitmapPageHeader, (FirstBitmap(pages) + i) * kPagesPerBitmapPage, kPagesPerBitmapPage, pages);
        result.push_back(page);
    }
    return result;
}

QByteArray FreePagesMapRow(quint32 firstFreePage)
{
    QByteArray row(kUsageMapRowSize, '\0');
    if (firstFreePage < kInlinePages)
        SetBits(row, kInlineBitmapOffset, 0, kInlinePages, PageRange{firstFreePage, kInlinePages - firstFreePage});
    return row;
}
