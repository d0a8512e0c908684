#pragma once

#include <QStringList>

// The one kind of query the Jet reader answers: SELECT * or SELECT of named
// columns FROM one table, names plain or in [brackets], an optional final ";".
struct JetSelect {
    QStringList columns;  // empty for "*"
    QString table;
};

// Raises ErrorNumber::ReadOnlyDatabase for anything that is not a SELECT and
// ErrorNumber::StatementRejected for a SELECT beyond that form.
JetSelect ParseJetSelect(const QString& sql);
