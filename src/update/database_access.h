#pragma once

#include "platform/database/database_backend.h"
#include "platform/runtime/variant.h"

#include <functional>
#include <memory>

// The database access layer: connection, static read-only reader and
// statement command, after the objects the update was written against.
// Every operation raises RuntimeError on failure.

// What an open connection shares with the readers and commands on it; they
// hold it weakly, so a close or a discarded connection ends them all.
struct DatabaseSession {
    std::unique_ptr<DatabaseBackend> backend;
    std::function<void(const QString&)> trace;

    // The engine, once the trace has seen the sql about to go to it.
    DatabaseBackend& backendFor(const QString& sql);
};

// The connection string of a database file, in the form the update opens
// Abicab.mdb with: "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;;".
QString FileConnectionString(const QString& path);

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the database the connection string names; the provider keyword
    // picks the engine.
    void open(const QString& connectionString);
    // Opens the database file at `path` on this machine, the name taken
    // exactly as given: no connection text is composed from it.
    void openFile(const QString& path);
    // Readers still open on the connection end with it.
    void close();
    bool isOpen() const { return session_ != nullptr; }

    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    // Statements may be sent ahead inside a transaction: this waits for their
    // answers, raising a StatementError for the first that failed.
    void awaitStatements();
    // Refuses, before anything is changed, tables whose changes the
    // transaction could not undo.
    void requireRollback(const QStringList& tables);
    // The engine's mark of the database as it stands (see DatabaseBackend).
    QByteArray changeMark();
    // Whether only the engine can tell which rows a condition selects (see
    // DatabaseBackend).
    bool typesValuesPerRow();
    // Has the engine copy rows into a file of its own (see DatabaseBackend).
    std::optional<std::vector<QStringList>> copyRowsToSqliteFile(const QString& file,
                                                                 const std::vector<DatabaseBackend::RowCopy>& copies);

    // Sees every query text and statement before it goes to the database.
    void setTrace(std::function<void(const QString&)> trace);

private:
    friend class Recordset;
    friend class Command;
    DatabaseSession& session();
    void start(const std::function<std::unique_ptr<DatabaseBackend>()>& openBackend);

    std::shared_ptr<DatabaseSession> session_;
    std::function<void(const QString&)> trace_;
};

// A static, read-only cursor: all rows are read when it opens.
class Recordset {
public:
    void open(const QString& source, Connection& connection);
    void close();
    bool isOpen() const;

    bool eof() const;
    void moveFirst();
    void moveLast();
    void moveNext();
    std::int32_t recordCount() const;
    // The current row's value of the column, named without regard to case.
    Variant field(const QString& name) const;
    // Every row at once, with the column names as the engine gave them.
    const ResultSet& allRows() const;
    // The same rows, kept for as long as the caller holds them, past close().
    std::shared_ptr<const ResultSet> sharedRows() const;
    // Hands the rows over, leaving the reader without rows.
    std::vector<std::vector<Variant>> takeRows();

private:
    void requireOpen() const;
    void requireRows() const;
    void requireCurrentRow() const;

    bool open_ = false;
    std::weak_ptr<DatabaseSession> session_;
    std::shared_ptr<ResultSet> rows_;
    mutable std::vector<std::pair<QString, qsizetype>> columnIndex_;
    std::size_t position_ = 0;
};

enum class CommandType { Text = 1 };

// Plain-text statements run on the connection they are attached to.
class Command {
public:
    void setCommandType(CommandType type) { type_ = type; }
    void setActiveConnection(Connection& connection);
    void setCommandText(const QString& text) { text_ = text; }
    const QString& commandText() const { return text_; }
    void execute();

private:
    CommandType type_ = CommandType::Text;
    std::weak_ptr<DatabaseSession> session_;
    QString text_;
};
