#pragma once

#include "platform/database/jet/new_file/jet_database_writer.h"

#include <QString>
#include <vector>

// Source databases for the tests: real Jet files, written into the test's own
// folder, with exactly the tables and rows the test wants.
//
//     const QString path = WriteSourceDatabase(dir.path(), {
//         AbiTable({AbiRow(1005, "Banca d'Esempio", 3)}),
//         AbicabTable()});                        // abicab without rows
//
// A missing table is one left out of the list; a missing column comes from
// WithoutColumn; Null is Variant().

using SourceRows = std::vector<std::vector<Variant>>;

// The tables abi and abicab as Abicab.mdb has them, with the given rows.
JetTable AbiTable(SourceRows rows = {});
JetTable AbicabTable(SourceRows rows = {});

// One row of each, values in the order of the columns.
std::vector<Variant> AbiRow(Variant abi, Variant banc, Variant abichk);
std::vector<Variant> AbicabRow(Variant abi, Variant cab, Variant banc, Variant filiale, Variant indir, Variant cap,
                               Variant localita, Variant comune, Variant prov, Variant abichk, Variant cabchk);

// The table without the named column and its values. The name must exist.
JetTable WithoutColumn(JetTable table, const QString& column);

// `count` branch rows, the same on every call: ABI codes from 1000 on, CAB
// codes counting up, names with apostrophes and accented letters, some Null
// addresses; for large transfers such as 100,000 rows.
SourceRows ManyAbicabRows(int count);

// Writes the tables into `folder` under `fileName` in the given format and
// answers the file's path.
QString WriteSourceDatabase(const QString& folder, const std::vector<JetTable>& tables,
                            const QString& fileName = QStringLiteral("Abicab.mdb"),
                            JetVersion version = JetVersion::Jet4);
