#include "platform/database/jet/in_place/index_tree.h"

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/in_place/page_file.h"

#include <algorithm>
#include <span>

namespace {

// Splits the entries into pages, each filled as far as its shared prefix
// allows; answers how many entries each page takes.
std::vector<std::size_t> Paginate(const std::vector<QByteArray>& entries, int trailerSize, JetVersion version)
{
    std::vector<std::size_t> counts{0};
    std::size_t first = 0;  // the current page's first entry
    qsizetype total = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QByteArray& entry = entries[i];
        const auto onPage = static_cast<qsizetype>(i - first + 1);
        const qsizetype prefix = onPage < 2 ? 0 : SharedIndexPrefix(entries[first], entry, trailerSize, version);
        const qsizetype size = total + entry.size() - (onPage - 1) * prefix;
        if (size > IndexEntrySpace(version) && onPage > 1) {
            first = i;
            total = entry.size();
            counts.push_back(1);
        } else {
            total += entry.size();
            ++counts.back();
        }
    }
    return counts;
}

// One level of the tree above the leaves: its entries as the pages hold
// them, and for each the last leaf entry below it and the page it points to.
struct NodeLevel {
    std::vector<QByteArray> stored;
    std::vector<QByteArray> lasts;
    std::vector<quint32> children;
};

void AppendBigEndian(QByteArray& bytes, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(static_cast<char>((value >> shift) & 0xff));
}

}  // namespace

std::vector<quint32> WriteIndexTree(JetPageFile& file, quint32 definitionPage, quint32 rootPage,
                                    std::vector<quint32> reusable, const std::vector<QByteArray>& entries,
                                    const PageAppender& append)
{
    const JetVersion version = file.version();
    std::sort(reusable.begin(), reusable.end(), std::greater<>());
    std::vector<quint32> used{rootPage};
    const auto takePage = [&]() {
        quint32 page = 0;
        if (reusable.empty()) {
            page = append(QByteArray(PageSize(file.version()), '\0'));
        } else {
            page = reusable.back();
            reusable.pop_back();
        }
        used.push_back(page);
        return page;
    };

    if (entries.empty()) {
        file.writablePage(rootPage) = IndexPage({true, definitionPage, 0, 0, 0}, {}, kLeafEntryTrailer, version);
        return used;
    }
    // The leaves are the entries themselves, each its own last leaf entry;
    // the levels above are made one from another.
    NodeLevel nodes;
    const std::vector<QByteArray>* stored = &entries;
    const std::vector<QByteArray>* lasts = &entries;
    for (bool leaf = true;; leaf = false) {
        const int trailer = leaf ? kLeafEntryTrailer : kNodeEntryTrailer;
        const std::vector<std::size_t> counts = Paginate(*stored, trailer, version);
        const bool root = counts.size() == 1;
        std::vector<quint32> numbers;
        for (std::size_t i = 0; i < counts.size(); ++i)
            numbers.push_back(root ? rootPage : takePage());

        NodeLevel parents;
        std::size_t first = 0;
        for (std::size_t i = 0; i < counts.size(); ++i) {
            IndexPageHeader header{leaf, definitionPage, i > 0 ? numbers[i - 1] : 0,
                                   i + 1 < counts.size() ? numbers[i + 1] : 0, 0};
            std::span<const QByteArray> onPage(stored->data() + first, counts[i]);
            const std::size_t last = first + counts[i] - 1;
            if (!leaf && onPage.size() > 1) {
                header.tail = nodes.children[last];
                onPage = onPage.first(onPage.size() - 1);
            }
            file.writablePage(numbers[i]) = IndexPage(header, onPage, trailer, version);
            QByteArray parent = (*lasts)[last];
            AppendBigEndian(parent, numbers[i]);
            parents.stored.push_back(std::move(parent));
            parents.lasts.push_back((*lasts)[last]);
            parents.children.push_back(numbers[i]);
            first += counts[i];
        }
        if (root)
            return used;
        nodes = std::move(parents);
        stored = &nodes.stored;
        lasts = &nodes.lasts;
    }
}
