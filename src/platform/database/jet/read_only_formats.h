#pragma once

#include "platform/database/database_backend.h"

#include <memory>

// The Jet formats the tool reads but does not write (Jet 3, ACE): reads go
// to the Jet reader; any statement that is not a SELECT is refused with
// ErrorNumber::ReadOnlyDatabase, saying which format cannot be written.
std::unique_ptr<DatabaseBackend> OpenReadOnlyJetDatabase(const QString& path, const QString& formatName);
