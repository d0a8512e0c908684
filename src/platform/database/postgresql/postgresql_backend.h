#pragma once

#include "platform/database/database_backend.h"

#include <memory>

// Where a PostgreSQL database is and who logs in. An empty value leaves the
// choice to libpq (its defaults and PG* variables); a host that starts with
// "/" is the folder of the server's unix socket.
struct PostgresqlLogin {
    QString host;
    QString port;
    QString database;
    QString user;
    QString password;
};

// A PostgreSQL database through libpq. The session reads string literals as
// the standard says, whatever the server's setting: a backslash is an
// ordinary character, so only a doubled apostrophe can be inside a text.
// Inside a transaction statements are sent ahead (a bounded number waits for
// its answer at any time); a failure names its statement. A server that does
// not answer fails the open within seconds; a lock held by another program
// fails the statement after a short wait.
std::unique_ptr<DatabaseBackend> OpenPostgresqlDatabase(const PostgresqlLogin& login);
