#pragma once

#include "platform/runtime/runtime_error.h"

// What went wrong in an engine, in the terms the user and support staff
// think in; each engine sorts its own codes into these.
enum class EngineFailure {
    CannotOpen,  // server unreachable, login refused, file not a database
    MissingTable,
    MissingColumn,
    DuplicateKey,
    Constraint,        // a required value missing or a value a check refuses
    ValueNotAccepted,  // a text too long, a number out of range, a wrong type
    Rejected,          // syntax or anything else wrong with the statement
    ReadOnly,
    PermissionDenied,
    InUse,  // locked by another program
    ConnectionLost,
    DiskFull,        // no room left on the disk for the changes
    NoTransactions,  // changes that could not be rolled back
    Other,
};

// The error the database layer raises for an engine's failure: the number
// support staff know from Windows, an Italian description of what happened
// and, in brackets, the engine's own message. `detail` adds what only the
// engine knows, such as how long the tool waited for a lock.
RuntimeError EngineError(EngineFailure failure, const QString& engineMessage, const QString& detail = QString());

// The error with a sentence that names what it concerns, such as the row a
// statement inserted, put after the Italian description of an engine's
// failure and before the engine's own message; other errors end with it.
RuntimeError WithSubject(const RuntimeError& error, const QString& sentence);

// The detail of an InUse failure: how long the tool waited for the lock.
QString LockWaitDetail(int seconds);
