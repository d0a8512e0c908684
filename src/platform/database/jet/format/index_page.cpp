#include "platform/database/jet/format/index_page.h"

#include "platform/database/jet/format/bitmap.h"
#include "platform/database/jet/format/damaged_file.h"
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
    page[0] = static_cast<char>(header.leaf ? kIndexLeafPageType : kIndexNodePageType);
    page[1] = static_cast<char>(kPageMarker);
    PutLittleEndian(page, kIndexOwnerOffset, header.definitionPage);
    PutLittleEndian(page, kIndexPreviousOffset, header.previous);
    PutLittleEndian(page, kIndexNextOffset, header.next);
    PutLittleEndian(page, kIndexTailOffset, header.tail);
    const qsizetype prefix = SharedIndexPrefix(entries, trailerSize);
    PutLittleEndian(page, kIndexPrefixOffset, static_cast<quint16>(prefix));
    page[kIndexNodeMarkOffset] = header.leaf ? 0 : 1;
    qsizetype at = kIndexEntriesStart;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QByteArray stored = i == 0 ? entries[i] : entries[i].mid(prefix);
        page.replace(at, stored.size(), stored);
        at += stored.size();
        SetMapBit(page, kIndexBitmapStart, static_cast<quint32>(at - kIndexEntriesStart), true);
    }
    PutLittleEndian(page, kIndexFreeSpaceOffset, static_cast<quint16>(kPageSize - at));
    return page;
}

bool IsIndexPageOf(const QByteArray& page, quint32 definitionPage)
{
    const quint8 type = ReadByte(page, 0);
    return (type == kIndexLeafPageType || type == kIndexNodePageType)
        && ReadLittleEndian<quint32>(page, kIndexOwnerOffset) == definitionPage;
}

IndexPageContents ReadIndexPage(const QByteArray& page)
{
    const quint8 type = ReadByte(page, 0);
    if (type != kIndexLeafPageType && type != kIndexNodePageType)
        throw DamagedFile(QStringLiteral("la pagina non è di un indice"));
    IndexPageContents result;
    result.header.leaf = type == kIndexLeafPageType;
    result.header.definitionPage = ReadLittleEndian<quint32>(page, kIndexOwnerOffset);
    result.header.previous = ReadLittleEndian<quint32>(page, kIndexPreviousOffset);
    result.header.next = ReadLittleEndian<quint32>(page, kIndexNextOffset);
    result.header.tail = ReadLittleEndian<quint32>(page, kIndexTailOffset);
    result.declaredFreeSpace = ReadLittleEndian<quint16>(page, kIndexFreeSpaceOffset);
    const int prefix = ReadLittleEndian<quint16>(page, kIndexPrefixOffset);
    qsizetype start = 0;
    QByteArray shared;
    for (qsizetype bit = 0; bit < (kIndexEntriesStart - kIndexBitmapStart) * 8; ++bit) {
        if (!MapBit(page, kIndexBitmapStart, static_cast<quint32>(bit)))
            continue;
        if (kIndexEntriesStart + bit > kPageSize || bit <= start)
            throw DamagedFile(QStringLiteral("mappa delle voci di un indice fuori dalla pagina"));
        const QByteArray stored = page.mid(kIndexEntriesStart + start, bit - start);
        if (result.entries.empty()) {
            if (stored.size() < prefix)
                throw DamagedFile(QStringLiteral("prefisso comune più lungo della prima voce di un indice"));
            shared = stored.left(prefix);
            result.entries.push_back(stored);
        } else {
            result.entries.push_back(shared + stored);
        }
        start = bit;
    }
    result.entriesEnd = kIndexEntriesStart + start;
    return result;
}
