#include "platform/database/jet/format/data_page.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/little_endian.h"

#include <algorithm>
#include <cstring>

namespace {

qsizetype HeaderSize(JetVersion version)
{
    return version == JetVersion::Jet3 ? kJet3DataPageHeaderSize : kDataPageHeaderSize;
}

qsizetype RowCountOffset(JetVersion version)
{
    return version == JetVersion::Jet3 ? kJet3DataPageRowCountOffset : kDataPageRowCountOffset;
}

// Of an existing page, whose length tells its version.
qsizetype OffsetEntryAt(const QByteArray& page, int row)
{
    return HeaderSize(VersionOfPageSize(page.size())) + row * kRowOffsetEntrySize;
}

qsizetype RowCountOffset(const QByteArray& page)
{
    return RowCountOffset(VersionOfPageSize(page.size()));
}

}  // namespace

RowPage::RowPage(JetVersion version) : version_(version), page_(PageSize(version), '\0'), dataStart_(PageSize(version))
{
    page_[0] = static_cast<char>(kDataPageType);
    page_[1] = static_cast<char>(kPageMarker);
}

qsizetype RowPage::offsetEntryAt(int row) const
{
    return HeaderSize(version_) + row * kRowOffsetEntrySize;
}

qsizetype RowPage::freeSpace() const
{
    return dataStart_ - offsetEntryAt(rowCount());
}

bool RowPage::fits(qsizetype rowSize) const
{
    return rowCount() < kMaxRowsPerPage && rowSize + kRowOffsetEntrySize <= freeSpace();
}

void RowPage::add(const QByteArray& row)
{
    Q_ASSERT(fits(row.size()));
    const int index = rowCount();
    dataStart_ -= row.size();
    page_.replace(dataStart_, row.size(), row);
    PutLittleEndian(page_, offsetEntryAt(index), static_cast<quint16>(dataStart_));
    PutLittleEndian(page_, RowCountOffset(version_), static_cast<quint16>(index + 1));
}

int RowPage::rowCount() const
{
    return qFromLittleEndian<quint16>(page_.constData() + RowCountOffset(version_));
}

QByteArray RowPage::bytes(quint32 ownerPage) const
{
    QByteArray page = page_;
    PutLittleEndian(page, kDataPageFreeSpaceOffset, static_cast<quint16>(freeSpace()));
    PutLittleEndian(page, kDataPageOwnerOffset, ownerPage);
    return page;
}

qsizetype RowPage::maxRowSize(JetVersion version)
{
    return PageSize(version) - HeaderSize(version) - kRowOffsetEntrySize;
}

int RowPage::capacity(qsizetype rowSize, JetVersion version)
{
    return static_cast<int>(std::min<qsizetype>(
        kMaxRowsPerPage, (PageSize(version) - HeaderSize(version)) / (rowSize + kRowOffsetEntrySize)));
}

int RowCountOnPage(const QByteArray& page)
{
    const int rows = ReadLittleEndian<quint16>(page, RowCountOffset(page));
    if (rows > kMaxRowsPerPage)
        throw DamagedFile(QStringLiteral("%1 righe in una pagina").arg(rows));
    return rows;
}

quint16 RowOffsetEntry(const QByteArray& page, int row)
{
    return ReadLittleEndian<quint16>(page, OffsetEntryAt(page, row));
}

quint16 DeclaredFreeSpace(const QByteArray& page)
{
    return ReadLittleEndian<quint16>(page, kDataPageFreeSpaceOffset);
}

bool IsDataPageOf(const QByteArray& page, quint32 definitionPage)
{
    return ReadByte(page, 0) == kDataPageType
        && ReadLittleEndian<quint32>(page, kDataPageOwnerOffset) == definitionPage;
}

RowExtent RowOnPage(const QByteArray& page, int row)
{
    const int rows = ReadLittleEndian<quint16>(page, RowCountOffset(page));
    if (row < 0 || row >= rows)
        throw DamagedFile(QStringLiteral("riga %1 assente dalla pagina").arg(row));
    RowExtent extent;
    extent.start = RowOffsetEntry(page, row) & kRowOffsetMask;
    extent.end = row == 0 ? page.size() : RowOffsetEntry(page, row - 1) & kRowOffsetMask;
    if (extent.start < OffsetEntryAt(page, rows) || extent.end > page.size() || extent.start > extent.end)
        throw DamagedFile(QStringLiteral("posizione della riga %1").arg(row));
    return extent;
}

int AddRowToPage(QByteArray& page, const QByteArray& row)
{
    const int rows = RowCountOnPage(page);
    qsizetype lowest = page.size();
    for (int r = 0; r < rows; ++r)
        lowest = std::min<qsizetype>(lowest, RowOffsetEntry(page, r) & kRowOffsetMask);
    const qsizetype start = lowest - row.size();
    if (rows >= kMaxRowsPerPage || start < OffsetEntryAt(page, rows + 1))
        return -1;
    std::memcpy(page.data() + start, row.constData(), static_cast<size_t>(row.size()));
    PutLittleEndian(page, OffsetEntryAt(page, rows), static_cast<quint16>(start));
    PutLittleEndian(page, RowCountOffset(page), static_cast<quint16>(rows + 1));
    PutLittleEndian(page, kDataPageFreeSpaceOffset, static_cast<quint16>(start - OffsetEntryAt(page, rows + 1)));
    return rows;
}

void MarkRowDeletedOnPage(QByteArray& page, int row)
{
    PutLittleEndian(page, OffsetEntryAt(page, row),
                    static_cast<quint16>(RowOffsetEntry(page, row) | kDeletedRowFlag | kOverflowRowFlag));
}

bool GrowRowOnPage(QByteArray& page, int row, qsizetype extra)
{
    const int rows = RowCountOnPage(page);
    const RowExtent grown = RowOnPage(page, row);
    qsizetype lowest = page.size();
    for (int r = 0; r < rows; ++r)
        lowest = std::min(lowest, RowOnPage(page, r).start);
    if (lowest - extra < OffsetEntryAt(page, rows))
        return false;
    std::memmove(page.data() + lowest - extra, page.constData() + lowest, static_cast<size_t>(grown.end - lowest));
    std::fill(page.begin() + grown.end - extra, page.begin() + grown.end, '\0');
    for (int r = 0; r < rows; ++r) {
        const quint16 entry = RowOffsetEntry(page, r);
        if ((entry & kRowOffsetMask) < grown.end)
            PutLittleEndian(page, OffsetEntryAt(page, r), static_cast<quint16>(entry - extra));
    }
    PutLittleEndian(page, kDataPageFreeSpaceOffset, static_cast<quint16>(lowest - extra - OffsetEntryAt(page, rows)));
    return true;
}
