#include "platform/database/jet/format/row_page.h"

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/little_endian.h"

#include <algorithm>

namespace {

constexpr qsizetype kHeaderSize = 14;  // type, 1, free space, owner page, 4 unknown bytes, row count
constexpr qsizetype kRowCountOffset = 12;
constexpr qsizetype kOffsetEntrySize = 2;
constexpr quint16 kOffsetMask = 0x1fff;  // the high bits flag deleted and moved rows

}  // namespace

RowPage::RowPage() : page_(kPageSize, '\0'), dataStart_(kPageSize)
{
    page_[0] = static_cast<char>(kDataPage);
    page_[1] = 0x01;
}

RowPage::RowPage(QByteArray page) : page_(std::move(page)), dataStart_(kPageSize)
{
    for (int row = 0; row < rowCount(); ++row) {
        const auto offset = qFromLittleEndian<quint16>(page_.constData() + kHeaderSize + row * kOffsetEntrySize);
        dataStart_ = std::min<qsizetype>(dataStart_, offset & kOffsetMask);
    }
}

qsizetype RowPage::freeSpace() const
{
    return dataStart_ - kHeaderSize - rowCount() * kOffsetEntrySize;
}

bool RowPage::fits(qsizetype rowSize) const
{
    return rowCount() < kMaxRowsPerPage && rowSize + kOffsetEntrySize <= freeSpace();
}

void RowPage::add(const QByteArray& row)
{
    Q_ASSERT(fits(row.size()));
    const int index = rowCount();
    dataStart_ -= row.size();
    page_.replace(dataStart_, row.size(), row);
    PutLittleEndian(page_, kHeaderSize + index * kOffsetEntrySize, static_cast<quint16>(dataStart_));
    PutLittleEndian(page_, kRowCountOffset, static_cast<quint16>(index + 1));
}

int RowPage::rowCount() const
{
    return qFromLittleEndian<quint16>(page_.constData() + kRowCountOffset);
}

QByteArray RowPage::bytes(quint32 ownerPage) const
{
    QByteArray page = page_;
    PutLittleEndian(page, 2, static_cast<quint16>(freeSpace()));
    PutLittleEndian(page, 4, ownerPage);
    return page;
}

qsizetype RowPage::maxRowSize()
{
    return kPageSize - kHeaderSize - kOffsetEntrySize;
}

int RowPage::capacity(qsizetype rowSize)
{
    return static_cast<int>(std::min<qsizetype>(kMaxRowsPerPage, (kPageSize - kHeaderSize) / (rowSize + kOffsetEntrySize)));
}
