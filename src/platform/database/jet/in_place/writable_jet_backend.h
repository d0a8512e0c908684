#pragma once

#include "platform/database/database_backend.h"

#include <memory>

// A Jet 4 file, read and write. Reads go through the Jet reader (libmdb);
// DELETE and INSERT of the forms the update sends are written by the tool
// itself, keeping the table's indexes, row count and page maps exact; any
// other statement is refused with ErrorNumber::StatementRejected before
// anything is touched. A transaction is kept in memory and written over the
// file at commit, all at once; without one, every statement is its own.
//
// The password is checked against the one in the file's header, as Jet
// does: a database with a password opens only with that password
// (ErrorNumber::AuthenticationFailed otherwise).
std::unique_ptr<DatabaseBackend> OpenWritableJetDatabase(const QString& path, const QString& password);
