#pragma once

#include <QString>
#include <QStringList>

// An independent walk over a Jet 4 file that validates every structure the
// in-place writer touches, for the tables named (the catalog included when
// named "MSysObjects"):
//   - the table's data pages against its map of owned pages (no page of the
//     table outside it), its free-space map inside it, row offsets inside
//     their page and apart, each page's free space, the live rows against
//     the row count of the definition;
//   - the file's page map, inline or with bitmap pages: every page of those
//     structures (and the header and the map's own pages) used in it, every
//     page past the end of the file that it covers free;
//   - every index: each page of the tree (type, table, entries in order,
//     sizes against the entry bitmap, shared prefix, free space,
//     previous/next links along each level, tail child), each parent entry
//     equal to its child's last, the tree against the index's page map, and
//     every live row having exactly one entry, with the key encoded afresh
//     from its values, and the count of distinct keys;
//   - a Long Integer AutoNumber: no number in the column above the last
//     number the definition keeps.
// Answers the problems found; none for a sound file.
QStringList CheckJetTables(const QString& path, const QStringList& tables, const QString& password = QString());

// The user tables of the file, as its catalog lists them.
QStringList JetUserTables(const QString& path);
