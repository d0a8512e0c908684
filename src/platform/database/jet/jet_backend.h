#pragma once

#include "platform/database/database_backend.h"

#include <chrono>
#include <memory>

// A Jet 3, Jet 4 or ACE file through libmdb, read only: SELECT of "*" or of
// named columns from one table. Any other statement is refused with
// ErrorNumber::ReadOnlyDatabase before anything is touched. A database
// password is not asked for: libmdb reads protected files as it reads others.
// A read that sends no rows for `quietLimit` (30 s unless given) is taken for
// a damaged file.
std::unique_ptr<DatabaseBackend> OpenJetDatabase(const QString& path);
std::unique_ptr<DatabaseBackend> OpenJetDatabase(const QString& path, std::chrono::milliseconds quietLimit);

// The names of the table's columns whose Required property is set, read
// through libmdb like the rows.
QStringList RequiredJetColumns(const QString& path, const QString& table);

// A table the file does not hold, as both the reader and the writer report it.
RuntimeError JetTableNotFound(const QString& table);
