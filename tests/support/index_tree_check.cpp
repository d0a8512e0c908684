#include "support/index_tree_check.h"

#include "platform/database/jet/format/index_page.h"
#include "platform/database/jet/in_place/index_key.h"
#include "platform/runtime/runtime_error.h"

#include <QtEndian>
#include <algorithm>
#include <iterator>

namespace {

class TreeWalk {
public:
    TreeWalk(const IndexPageReader& page, quint32 pageCount, quint32 definitionPage, JetVersion version,
             const QString& where, QStringList& problems)
        : page_(page),
          pageCount_(pageCount),
          definitionPage_(definitionPage),
          version_(version),
          where_(where),
          problems_(problems)
    {
    }

    IndexTreeContents walk(quint32 root)
    {
        visit(root, 0);
        if (leafDepths_.size() > 1)
            problem(QStringLiteral("leaves at different depths"));
        for (const auto& level : levels_) {
            for (std::size_t i = 0; i < level.size(); ++i) {
                const quint32 previous = i > 0 ? level[i - 1].first : 0;
                const quint32 next = i + 1 < level.size() ? level[i + 1].first : 0;
                if (level[i].second.previous != previous || level[i].second.next != next)
                    problem(QStringLiteral("page %1 links %2/%3, expected %4/%5")
                                .arg(level[i].first)
                                .arg(level[i].second.previous)
                                .arg(level[i].second.next)
                                .arg(previous)
                                .arg(next));
            }
        }
        for (std::size_t i = 1; i < contents_.leaves.size(); ++i) {
            if (!(contents_.leaves[i - 1] < contents_.leaves[i]))
                problem(QStringLiteral("leaf entries out of order across pages"));
        }
        return contents_;
    }

private:
    void problem(const QString& text) { problems_.append(where_ + QStringLiteral(": ") + text); }

    std::optional<IndexPageContents> read(quint32 number)
    {
        if (number == 0 || number >= pageCount_) {
            problem(QStringLiteral("index page %1 is outside the file").arg(number));
            return std::nullopt;
        }
        const QByteArray page = page_(number);
        if (!IsIndexPageOf(page, definitionPage_)) {
            problem(QStringLiteral("page %1 is not an index page of the table").arg(number));
            return std::nullopt;
        }
        IndexPageContents result;
        try {
            result = ReadIndexPage(page, version_);
        } catch (const RuntimeError& error) {
            problem(QStringLiteral("page %1: %2").arg(number).arg(error.description()));
            return std::nullopt;
        }
        if (result.declaredFreeSpace != page.size() - result.entriesEnd)
            problem(QStringLiteral("page %1 says %2 bytes free, it has %3")
                        .arg(number)
                        .arg(result.declaredFreeSpace)
                        .arg(page.size() - result.entriesEnd));
        for (std::size_t i = 1; i < result.entries.size(); ++i) {
            if (!(result.entries[i - 1] < result.entries[i]))
                problem(QStringLiteral("entries out of order on page %1").arg(number));
        }
        const int trailer = result.header.leaf ? kLeafEntryTrailer : kNodeEntryTrailer;
        for (const QByteArray& entry : result.entries) {
            if (entry.size() <= trailer)
                problem(QStringLiteral("an entry of page %1 is too short").arg(number));
        }
        return result;
    }

    // Visits a subtree in order; answers its last leaf entry.
    QByteArray visit(quint32 number, int depth)
    {
        if (depth > 16 || contents_.pages.contains(number)) {
            problem(QStringLiteral("page %1 is reached twice or too deep").arg(number));
            return {};
        }
        contents_.pages.insert(number);
        const std::optional<IndexPageContents> page = read(number);
        if (!page)
            return {};
        if (levels_.size() <= static_cast<std::size_t>(depth))
            levels_.resize(depth + 1);
        levels_[depth].emplace_back(number, page->header);
        if (page->header.leaf) {
            leafDepths_.insert(depth);
            if (page->header.tail != 0)
                problem(QStringLiteral("leaf page %1 names a tail").arg(number));
            contents_.leaves.insert(contents_.leaves.end(), page->entries.begin(), page->entries.end());
            return page->entries.empty() ? QByteArray() : page->entries.back();
        }
        QByteArray last;
        for (const QByteArray& entry : page->entries) {
            last = visit(qFromBigEndian<quint32>(entry.constData() + entry.size() - 4), depth + 1);
            if (last != entry.chopped(4))
                problem(QStringLiteral("an entry of node page %1 is not its child's last").arg(number));
        }
        if (page->header.tail != 0)
            last = visit(page->header.tail, depth + 1);
        if (page->entries.empty())
            problem(QStringLiteral("node page %1 has no entries").arg(number));
        return last;
    }

    const IndexPageReader& page_;
    quint32 pageCount_;
    quint32 definitionPage_;
    JetVersion version_;
    const QString& where_;
    QStringList& problems_;
    IndexTreeContents contents_;
    std::vector<std::vector<std::pair<quint32, IndexPageHeader>>> levels_;  // pages of each depth, in order
    std::set<int> leafDepths_;
};

}  // namespace

IndexTreeContents WalkIndexTree(const IndexPageReader& page, quint32 pageCount, quint32 definitionPage, quint32 root,
                                JetVersion version, const QString& where, QStringList& problems)
{
    return TreeWalk(page, pageCount, definitionPage, version, where, problems).walk(root);
}

ExpectedIndexEntries IndexEntriesOfRows(const JetTableSchema& table, const SchemaIndex& index,
                                        const std::vector<std::pair<RowLocation, std::vector<Variant>>>& rows,
                                        JetVersion version)
{
    ExpectedIndexEntries expected;
    for (const auto& [location, values] : rows) {
        const bool allNull = std::all_of(index.columns.begin(), index.columns.end(),
                                         [&](const IndexColumn& c) { return values[c.column].isNull(); });
        if (index.ignoresNulls() && allNull)
            continue;
        if (const std::optional<QByteArray> key = IndexKey(table, index, values, version))
            expected.entries.insert(LeafEntry(*key, location.page, location.row));
        else
            expected.unkeyed.push_back(location);
    }
    return expected;
}

void CompareIndexEntries(const std::vector<QByteArray>& leaves, const ExpectedIndexEntries& expected,
                         const QString& where, QStringList& problems)
{
    std::multiset<QByteArray> unkeyedRows;
    for (const RowLocation& row : expected.unkeyed)
        unkeyedRows.insert(LeafEntry({}, row.page, row.row));
    std::multiset<QByteArray> actual;
    std::multiset<QByteArray> actualUnkeyed;
    for (const QByteArray& leaf : leaves) {
        const QByteArray row = leaf.right(kLeafEntryTrailer);
        if (unkeyedRows.contains(row))
            actualUnkeyed.insert(row);
        else
            actual.insert(leaf);
    }
    if (actualUnkeyed != unkeyedRows)
        problems.append(QStringLiteral("%1: %2 entries name the %3 rows whose key is not encoded here")
                            .arg(where)
                            .arg(actualUnkeyed.size())
                            .arg(unkeyedRows.size()));
    if (actual == expected.entries)
        return;
    std::vector<QByteArray> missing, extra;
    std::set_difference(expected.entries.begin(), expected.entries.end(), actual.begin(), actual.end(),
                        std::back_inserter(missing));
    std::set_difference(actual.begin(), actual.end(), expected.entries.begin(), expected.entries.end(),
                        std::back_inserter(extra));
    problems.append(QStringLiteral("%1: %2 entries for %3 rows; missing %4 (first %5), unexpected %6 (first %7)")
                        .arg(where)
                        .arg(actual.size())
                        .arg(expected.entries.size())
                        .arg(missing.size())
                        .arg(QString::fromLatin1(missing.empty() ? QByteArray() : missing.front().toHex()))
                        .arg(extra.size())
                        .arg(QString::fromLatin1(extra.empty() ? QByteArray() : extra.front().toHex())));
}
