#pragma once

#include "database_backend.h"

#include <memory>

// A Jet 3, Jet 4 or ACE file through libmdb, read only: SELECT of "*" or of
// named columns from one table. Any other statement is refused with
// ErrorNumber::ReadOnlyDatabase before anything is touched. A database
// password is not asked for: libmdb reads protected files as it reads others.
std::unique_ptr<DatabaseBackend> OpenJetDatabase(const QString& path);
