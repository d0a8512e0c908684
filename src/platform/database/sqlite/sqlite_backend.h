#pragma once

#include "platform/database/database_backend.h"

#include <memory>

// An SQLite 3 file through the sqlite3 library, read and write (read only
// where the file is write-protected). The caller has checked that the file
// exists and is an SQLite file. A statement that finds the file locked by
// another program waits a few seconds before it fails.
std::unique_ptr<DatabaseBackend> OpenSqliteDatabase(const QString& path);
