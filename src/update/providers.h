#pragma once

#include "update/connection_string.h"
#include "platform/database/database_backend.h"

#include <memory>

// Opens the database a connection string names, with the engine its
// "Provider=" keyword stands for. A provider the tool does not know raises
// ErrorNumber::ProviderNotFound naming it.
std::unique_ptr<DatabaseBackend> OpenProvider(const ConnectionString& settings);
