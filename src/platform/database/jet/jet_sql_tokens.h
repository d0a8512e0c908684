#pragma once

#include "platform/runtime/runtime_error.h"

#include <QString>

// The words of the SQL that the Jet engine here reads: names plain or in
// [brackets], 'texts' with doubled apostrophes, numbers, symbols.

// A token points into the statement; only a text literal, whose doubled
// apostrophes are read as one, has characters of its own. Every row of the
// update is one statement, so tokens are made by the hundred thousand.
struct Token {
    enum Kind { Name, Bracketed, Text, Number, Symbol, End } kind;
    QStringView text;
    QString unquoted;
};

// Splits a statement into tokens; the statement must outlive them.
class Tokenizer {
public:
    // `from`: where in the statement the first token is looked for.
    explicit Tokenizer(const QString& sql, qsizetype from = 0) : sql_(sql), pos_(from) {}

    // The next token; an unterminated text or bracket raises SyntaxError().
    Token next();

private:
    Token bracketed();
    Token text();
    Token number();

    const QString& sql_;
    qsizetype pos_;
};

RuntimeError SyntaxError();
