#pragma once

#include "platform/database/jet/format/table_definition.h"

#include <QString>
#include <vector>

// Adds empty tables to an existing Jet 4 file, such as one Access made: a
// definition page, an empty tree for each index and a page of their usage
// maps at the end of the file, and a row for each in the catalog, whose
// indexes are kept. Rows then go in through the in-place writer of the
// database layer. The file is replaced all at once, as by a commit. Throws
// JetWriteError for a definition it cannot write, RuntimeError for a file it
// cannot change.
void AddJetTables(const QString& path, const std::vector<JetTableDefinition>& tables,
                  const QString& password = QString());
