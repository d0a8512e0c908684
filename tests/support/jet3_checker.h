#pragma once

#include <QString>
#include <QStringList>

// An independent walk over the pages of a Jet 3 (Access 97) file, reading
// its bytes itself, as far as the new-file writer writes Jet 3:
//   - the header: signature and format version;
//   - every data page the file's page map marks used (rows, maps and long
//     values alike):
//     at most 255 rows, each inside the page and apart, the free space it
//     declares;
//   - every table that owns data pages: its definition page, its map of
//     owned pages (inline or with bitmap pages) listing exactly the data
//     pages it owns, its free-space map inside that;
//   - every index of every table the catalog lists: its tree as the Jet 4
//     checker walks one (index_tree_check.h), its map listing exactly the
//     tree's pages, and one entry for each live row with the key encoded
//     afresh from its values (a row whose text the Jet 3 key encoding
//     refuses, or in an index of a type not keyed here, needs one entry of
//     any key naming it), the live rows against
//     the row count of the definition;
//   - the file's page map: the header, those pages and their maps' pages
//     used, every page past the end of the file that it covers free.
// Answers the problems found; none for a sound file.
QStringList CheckJet3Pages(const QString& path);
