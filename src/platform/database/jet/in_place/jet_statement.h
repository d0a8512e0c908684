#pragma once

#include "platform/database/jet/jet_select.h"
#include "platform/runtime/variant.h"

#include <QStringList>
#include <variant>
#include <vector>

// The two statements that change a Jet database here, as the update sends
// them: names plain or in [brackets], compared later without regard to case,
// an optional final ";".
//   DELETE FROM <table> WHERE <column> >= <whole number>
//   INSERT INTO <table> (<column>, ...) VALUES (<literal>, ...)
// Literals: whole numbers, numbers with "." and an exponent, 'texts' with
// doubled apostrophes, Null.
struct JetDelete {
    QString table;
    JetAtLeast where;
};

struct JetInsert {
    QString table;
    QStringList columns;
    std::vector<Variant> values;
};

using JetChange = std::variant<JetDelete, JetInsert>;

// Raises ErrorNumber::StatementRejected for anything else.
JetChange ParseJetChange(const QString& sql);
