#pragma once

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/in_place/table_rows.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <set>
#include <vector>

// The checks of an index tree that Jet 3 and Jet 4 files share, for the
// checkers: problems are appended to `problems`, each opening with `where`.

using IndexPageReader = std::function<QByteArray(quint32 page)>;

struct IndexTreeContents {
    std::vector<QByteArray> leaves;  // every leaf entry, in the tree's order
    QSet<quint32> pages;
};

// Walks the tree from `root`: each page of the table and of the tree's type,
// entries in order, sizes against the entry bitmap, shared prefix, free
// space, previous/next links along each level, tail child, each parent entry
// equal to its child's last, leaves all at one depth.
IndexTreeContents WalkIndexTree(const IndexPageReader& page, quint32 pageCount, quint32 definitionPage, quint32 root,
                                JetVersion version, const QString& where, QStringList& problems);

// The leaf entries the rows call for: one for each row (but those with all
// their indexed values Null, where the index ignores Nulls), its key encoded
// afresh from its values; and the rows whose key cannot be encoded here.
struct ExpectedIndexEntries {
    std::multiset<QByteArray> entries;
    std::vector<RowLocation> unkeyed;
};
ExpectedIndexEntries IndexEntriesOfRows(const JetTableSchema& table, const SchemaIndex& index,
                                        const std::vector<std::pair<RowLocation, std::vector<Variant>>>& rows,
                                        JetVersion version);

// The leaves against the entries the rows call for, as a whole; a row whose
// key cannot be encoded must have one entry, of any key, naming it.
void CompareIndexEntries(const std::vector<QByteArray>& leaves, const ExpectedIndexEntries& expected,
                         const QString& where, QStringList& problems);
