#include "platform/database/jet/format/index_page.h"

#include "platform/database/jet/format/bitmap.h"
#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/table_definition.h"

#include <algorithm>
#include <cstring>

namespace {

// Where the fields that moved between the versions are.
struct IndexPageLayout {
    qsizetype pageSize;
    qsizetype previous;
    qsizetype next;
    qsizetype tail;
    qsizetype prefix;
    qsizetype nodeMark;
    qsizetype bitmapStart;
    qsizetype entriesStart;
};

constexpr IndexPageLayout kJet4Layout{kPageSize,          kIndexPreviousOffset, kIndexNextOffset,  kIndexTailOffset,
                                      kIndexPrefixOffset, kIndexNodeMarkOffset, kIndexBitmapStart, kIndexEntriesStart};
constexpr IndexPageLayout kJet3Layout{kJet3PageSize,         kJet3IndexPreviousOffset, kJet3IndexNextOffset,
                                      kJet3IndexTailOffset,  kJet3IndexPrefixOffset,   kJet3IndexNodeMarkOffset,
                                      kJet3IndexBitmapStart, kJet3IndexEntriesStart};

const IndexPageLayout& LayoutOf(JetVersion version)
{
    return version == JetVersion::Jet3 ? kJet3Layout : kJet4Layout;
}

qsizetype CommonPrefix(const QByteArray& a, const QByteArray& b)
{
    const qsizetype limit = std::min(a.size(), b.size());
    qsizetype n = 0;
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

int PrefixLength(const QByteArray& page, JetVersion version)
{
    if (version == JetVersion::Jet3)
        return ReadByte(page, kJet3IndexPrefixOffset);
    return ReadLittleEndian<quint16>(page, kIndexPrefixOffset);
}

}  // namespace

qsizetype SharedIndexPrefix(const QByteArray& first, const QByteArray& last, int trailerSize, JetVersion version)
{
    const qsizetype shortestKey = std::min(first.size(), last.size()) - trailerSize;
    const qsizetype prefix = std::max<qsizetype>(0, std::min(CommonPrefix(first, last), shortestKey - 1));
    return version == JetVersion::Jet3 ? std::min(prefix, kJet3MaxSharedPrefix) : prefix;
}

qsizetype SharedIndexPrefix(std::span<const QByteArray> entries, int trailerSize, JetVersion version)
{
    return entries.size() < 2 ? 0 : SharedIndexPrefix(entries.front(), entries.back(), trailerSize, version);
}

QByteArray IndexPage(const IndexPageHeader& header, std::span<const QByteArray> entries, int trailerSize,
                     JetVersion version)
{
    const IndexPageLayout& layout = LayoutOf(version);
    QByteArray page(layout.pageSize, '\0');
    page[0] = static_cast<char>(header.leaf ? kIndexLeafPageType : kIndexNodePageType);
    page[1] = static_cast<char>(kPageMarker);
    PutLittleEndian(page, kIndexOwnerOffset, header.definitionPage);
    PutLittleEndian(page, layout.previous, header.previous);
    PutLittleEndian(page, layout.next, header.next);
    PutLittleEndian(page, layout.tail, header.tail);
    const qsizetype prefix = SharedIndexPrefix(entries, trailerSize, version);
    if (version == JetVersion::Jet3)
        page[kJet3IndexPrefixOffset] = static_cast<char>(prefix);
    else
        PutLittleEndian(page, kIndexPrefixOffset, static_cast<quint16>(prefix));
    page[layout.nodeMark] = header.leaf ? 0 : 1;
    qsizetype at = layout.entriesStart;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const qsizetype skipped = i == 0 ? 0 : prefix;
        const qsizetype size = entries[i].size() - skipped;
        if (at + size > layout.pageSize)
            throw JetWriteError(QStringLiteral("le voci non stanno in una pagina dell'indice"));
        std::memcpy(page.data() + at, entries[i].constData() + skipped, static_cast<std::size_t>(size));
        at += size;
        SetMapBit(page, layout.bitmapStart, static_cast<quint32>(at - layout.entriesStart), true);
    }
    PutLittleEndian(page, kIndexFreeSpaceOffset, static_cast<quint16>(layout.pageSize - at));
    return page;
}

bool IsIndexPageOf(const QByteArray& page, quint32 definitionPage)
{
    const quint8 type = ReadByte(page, 0);
    return (type == kIndexLeafPageType || type == kIndexNodePageType)
        && ReadLittleEndian<quint32>(page, kIndexOwnerOffset) == definitionPage;
}

IndexPageContents ReadIndexPage(const QByteArray& page, JetVersion version)
{
    const IndexPageLayout& layout = LayoutOf(version);
    const quint8 type = ReadByte(page, 0);
    if (type != kIndexLeafPageType && type != kIndexNodePageType)
        throw DamagedFile(QStringLiteral("la pagina non è di un indice"));
    IndexPageContents result;
    result.header.leaf = type == kIndexLeafPageType;
    result.header.definitionPage = ReadLittleEndian<quint32>(page, kIndexOwnerOffset);
    result.header.previous = ReadLittleEndian<quint32>(page, layout.previous);
    result.header.next = ReadLittleEndian<quint32>(page, layout.next);
    result.header.tail = ReadLittleEndian<quint32>(page, layout.tail);
    result.declaredFreeSpace = ReadLittleEndian<quint16>(page, kIndexFreeSpaceOffset);
    const int prefix = PrefixLength(page, version);
    qsizetype start = 0;
    QByteArray shared;
    for (qsizetype bit = 0; bit < (layout.entriesStart - layout.bitmapStart) * 8; ++bit) {
        if (!MapBit(page, layout.bitmapStart, static_cast<quint32>(bit)))
            continue;
        if (layout.entriesStart + bit > layout.pageSize || bit <= start)
            throw DamagedFile(QStringLiteral("mappa delle voci di un indice fuori dalla pagina"));
        const QByteArray stored = page.mid(layout.entriesStart + start, bit - start);
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
    result.entriesEnd = layout.entriesStart + start;
    return result;
}
