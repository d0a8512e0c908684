#pragma once

#include "platform/runtime/runtime_error.h"
#include "platform/runtime/variant.h"

#include <QStringList>
#include <optional>
#include <vector>

// All rows of a query, read at once: the readers above are static cursors.
struct ResultSet {
    QStringList columns;
    std::vector<std::vector<Variant>> rows;
};

// A failure of a statement that an engine had sent ahead: `statement`
// counts the execute() calls since beginTransaction(), the first being 1.
class StatementError : public RuntimeError {
public:
    StatementError(const RuntimeError& error, quint64 statement) : RuntimeError(error), statement_(statement) {}
    quint64 statement() const { return statement_; }

private:
    quint64 statement_;
};

// One open database of one engine. Every operation raises RuntimeError with
// the number that fits the failure; for the engine's own failures the
// description says in Italian what happened and ends with the engine's own
// message in brackets.
class DatabaseBackend {
public:
    virtual ~DatabaseBackend() = default;

    virtual ResultSet query(const QString& sql) = 0;
    // Runs a statement; result rows, if any, are discarded. Inside a
    // transaction an engine may send the statement ahead and return before
    // the engine has answered; a failure of such a statement is then raised
    // by a later execute() or, at the latest, by commitTransaction(), as a
    // StatementError that names it.
    virtual void execute(const QString& sql) = 0;
    // Waits until every statement sent ahead has been answered, raising the
    // failure of the first one that failed; engines that answer each
    // statement at once have nothing to wait for.
    virtual void awaitStatements() {}

    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;

    // Raises a RuntimeError when the transaction could not undo a change to
    // one of the tables: asked before the first change, so that a
    // destination that cannot roll back is refused with nothing changed.
    // Engines whose transactions cover every table have nothing to check.
    virtual void requireRollback(const QStringList& tables) { (void)tables; }
    // A mark of the database as it stands: two equal marks taken by this
    // connection mean that no one else changed the database in between, so
    // what was read after the first still holds at the second. Empty when
    // the engine cannot tell; two empty marks say nothing.
    virtual QByteArray changeMark() { return {}; }

    // Whether a column may hold a value of any kind, row by row (SQLite), so
    // that only the engine can tell which rows a condition on it selects.
    virtual bool typesValuesPerRow() const { return false; }
    // The rows of `table` whose column `key` holds at least `lowest`, as the
    // engine compares the two (every row when `key` is empty), for a copy
    // into the table `into`.
    struct RowCopy {
        QString table;
        QString key;
        int lowest = 0;
        QString into;
        // Those rows as the engine's SQL asks for them.
        QString select() const
        {
            const QString all = QStringLiteral("SELECT * FROM ") + table;
            return key.isEmpty() ? all : all + QStringLiteral(" WHERE %1 >=%2").arg(key).arg(lowest);
        }
    };
    // Copies the rows of each copy, each value as the engine holds it, into
    // its new table of the SQLite file at `file`, which exists (an empty file
    // is a database without tables, to take the database's text encoding);
    // the columns are named c0, c1, ... in the order of the table's, typed at
    // most as the table's own (so that no value changes kind), and the rows do
    // not pass through the tool. The file is the caller's to sync: no journal
    // is kept for it. Answers the names of the columns of each copy; nothing
    // where the engine cannot write such a file itself, or not now (in a
    // transaction).
    virtual std::optional<std::vector<QStringList>> copyRowsToSqliteFile(const QString& file,
                                                                         const std::vector<RowCopy>& copies)
    {
        (void)file, (void)copies;
        return std::nullopt;
    }
};
