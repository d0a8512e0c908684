#pragma once

#include "platform/database/database_backend.h"
#include "update/connection_string.h"

#include <memory>

// Opens the database a connection string names, with the engine its
// "Provider=" keyword stands for. A provider the tool does not know raises
// ErrorNumber::ProviderNotFound naming it.
std::unique_ptr<DatabaseBackend> OpenProvider(const ConnectionString& settings);

// Opens the database file at `path` on this machine, named exactly as given:
// for file names from the command line, which no connection text must
// reinterpret (a ";" or a quote in the name, a Windows path's rules).
std::unique_ptr<DatabaseBackend> OpenLocalDatabaseFile(const QString& path);
