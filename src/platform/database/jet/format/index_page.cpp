#include "platform/database/jet/format/index_page.h"

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/little_endian.h"

#include <algorithm>

namespace {

qsizetype CommonPrefix(const QByteArray& a, const QByteArray& b)
{
    const qsizetype limit = std::min(a.size(), b.size());
    qsizetype n = 0;
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

}  // namespace

qsizetype SharedIndexPrefix(const std::vector<QByteArray>& entries, int trailerSize)
{
    if (entries.size() < 2)
        return 0;
    const QByteArray& first = entries.front();
    const QByteArray& last = entries.back();
    const qsizetype shortestKey = std::min(first.size(), last.size()) - trailerSize;
    return std::max<qsizetype>(0, std::min(CommonPrefix(first, last), shortestKey - 1));
}

QByteArray IndexPage(const IndexPageHeader& header, const std::vector<QByteArray>& entries, int trailerSize)
{
    QByteArray page(kPageSize, '\0');
    page[0] = static_cast<char>(header.leaf ? kIndexLeafPage : kIndexNodePage);
    page[1] = 0x01;
    PutLittleEndian(page, 4, header.definitionPage);
    PutLittleEndian(page, 12, header.previous);
    PutLittleEndian(page, 16, header.next);
    PutLittleEndian(page, 20, header.tail);
    const qsizetype prefix = SharedIndexPrefix(entries, trailerSize);
    PutLittleEndian(page, 24, static_cast<quint16>(prefix));
    // Access marks its node pages so; the readers do not look at it.
    page[26] = header.leaf ? 0 : 1;
    qsizetype at = kIndexEntriesStart;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QByteArray stored = i == 0 ? entries[i] : entries[i].mid(prefix);
        page.replace(at, stored.size(), stored);
        at += stored.size();
        const qsizetype end = at - kIndexEntriesStart;
        page[kIndexBitmapStart + end / 8] = static_cast<char>(page[kIndexBitmapStart + end / 8] | (1 << (end % 8)));
    }
    PutLittleEndian(page, 2, static_cast<quint16>(kPageSize - at));
    return page;
}

