#pragma once

#include "platform/database/database_backend.h"

#include <memory>

// A database through unixODBC, opened with an ODBC connection text
// ("DSN=...;" or "Driver=...;" and the driver's own keywords). The session is
// told, by the server's product name, to read string literals as the standard
// says (a backslash is an ordinary character) and to wait only briefly for
// another program's lock. A login the driver cannot complete fails within
// seconds. Unless `keepDriverLogs`, log files a driver writes on its own
// account are removed when the connection ends.
std::unique_ptr<DatabaseBackend> OpenOdbcDatabase(const QString& connectionText, bool keepDriverLogs = false);
