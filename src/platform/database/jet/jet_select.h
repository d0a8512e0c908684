#pragma once

#include "platform/runtime/variant.h"

#include <QStringList>
#include <optional>

// The condition of the update's deletion: <column> >= <whole number>.
struct JetAtLeast {
    QString column;
    qint64 lowest = 0;

    // As Jet compares the value of a number column with the number: Null
    // never holds.
    bool holdsFor(const Variant& value) const
    {
        return (value.type() == Variant::Type::Integer && value.integer() >= lowest)
            || (value.type() == Variant::Type::Double && value.real() >= static_cast<double>(lowest));
    }
};

// The one kind of query the Jet reader answers: SELECT * or SELECT of named
// columns FROM one table, WHERE the deletion's condition if wanted, names
// plain or in [brackets], an optional final ";".
struct JetSelect {
    QStringList columns;  // empty for "*"
    QString table;
    std::optional<JetAtLeast> where;
};

// Raises ErrorNumber::ReadOnlyDatabase for anything that is not a SELECT and
// ErrorNumber::StatementRejected for a SELECT beyond that form.
JetSelect ParseJetSelect(const QString& sql);
