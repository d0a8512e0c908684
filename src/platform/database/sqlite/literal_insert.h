#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <vector>

// An INSERT of literal values, "INSERT INTO <table> (<columns>) VALUES
// (<literals>)", read from its UTF-8 text as SQLite reads it. The update
// sends one such statement per source row, each with the same table and
// columns: the engine compiles that head once and binds each statement's
// values to it instead of compiling every statement anew. It is read anew
// for every row, so it points into the statement's text rather than copying
// it, and one LiteralInsert serves every statement in turn.
struct LiteralInsert {
    // A value as SQLite reads its literal.
    struct Value {
        enum class Kind { Null, Integer, Text };
        Kind kind = Kind::Null;
        qint64 integer = 0;
        QByteArrayView text;  // the characters between the apostrophes, '' read as '
    };

    QByteArrayView head;  // the text up to and including VALUES, exactly as written
    std::vector<Value> values;
    // The texts whose doubled apostrophes were read as one, which the
    // statement's text does not hold as they are.
    std::vector<QByteArray> unescaped;

    // The head with one parameter for each value: what SQLite compiles.
    QByteArray parameterized() const;
};

// Reads the statement into `insert`, which then points into `sql`: false
// when it is not of that form exactly (names other than plain identifiers,
// literals other than whole numbers within 64 bits, texts and Null,
// comments, a second statement). Such a statement goes to SQLite as it
// stands. `knownHead`, a head read before, is not read again when the
// statement starts with it, as the statements of one table all do.
bool ReadLiteralInsert(const QByteArray& sql, LiteralInsert& insert, QByteArrayView knownHead = {});
