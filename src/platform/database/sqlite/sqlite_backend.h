#pragma once

#include "database_backend.h"

#include <memory>

// An SQLite 3 file through QtSql, read and write. The caller has checked that
// the file exists and is an SQLite file: the driver would create a missing one.
std::unique_ptr<DatabaseBackend> OpenSqliteDatabase(const QString& path);
