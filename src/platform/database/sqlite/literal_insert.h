#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>
#include <vector>

// An INSERT of literal values, "INSERT INTO <table> (<columns>) VALUES
// (<literals>)", read from its UTF-8 text as SQLite reads it. The update
// sends one such statement per source row, each with the same table and
// columns: the engine compiles that head once and binds each statement's
// values to it instead of compiling every statement anew.
struct LiteralInsert {
    // A value as SQLite reads its literal.
    struct Value {
        enum class Kind { Null, Integer, Text };
        Kind kind = Kind::Null;
        qint64 integer = 0;
        QByteArray text;  // the characters between the apostrophes, '' read as '
    };

    QByteArray head;  // the text up to and including VALUES, exactly as written
    std::vector<Value> values;

    // The head with one parameter for each value: what SQLite compiles.
    QByteArray parameterized() const;
};

// The statement as a LiteralInsert, or nothing when it is not of that form
// exactly: names other than plain identifiers, literals other than whole
// numbers within 64 bits, texts and Null, comments, a second statement. Such
// a statement goes to SQLite as it stands.
std::optional<LiteralInsert> ReadLiteralInsert(const QByteArray& sql);
