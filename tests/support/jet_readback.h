#pragma once

#include "platform/database/jet/new_file/jet_database_writer.h"

#include <QString>
#include <vector>

// Reads a Jet file with three readers and checks, as GoogleTest failures,
// that each finds exactly `expected`: the same user tables in the same
// order, the same columns, and every row with the same values.
//   - the project's own reader (OpenJetDatabase, libmdb underneath): Null,
//     whole numbers, doubles bit for bit, texts;
//   - mdb-tables and mdb-export from mdbtools: doubles as printed with 16
//     significant digits, and an empty text as Null, since mdb-export writes
//     both as nothing;
//   - the npm package mdb-reader run by node, which shares no code with
//     libmdb: Null, numbers, texts.
// A Double column's expected whole numbers count as doubles.
void ExpectJetFileReadsBack(const QString& path, const std::vector<JetTable>& expected);

// The database password as mdb-reader reads it from the header; empty for none.
QString MdbReaderPassword(const QString& path);

// For files of any column types: each of the three readers finds `rows` rows
// in the table, and mdb-reader's row count in the definition says the same.
void ExpectJetRowCount(const QString& path, const QString& table, int rows);
