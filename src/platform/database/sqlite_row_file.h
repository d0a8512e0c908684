#pragma once

#include "platform/runtime/variant.h"

#include <QString>
#include <QStringList>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Binds a value to a parameter of an SQLite statement, each kind as itself.
// Texts and bytes are not copied: the value must stay until the statement
// runs. Answers SQLite's result code.
int BindSqliteValue(sqlite3_stmt* statement, int index, const Variant& value);

// How a file of copied rows is written: 64 KiB pages (it is written once
// and read whole), no journal and no sync of its own (its writer syncs it
// when whole). `schema`: the name the file is attached by, if it is.
QString RowFileSettings(const QString& schema = QString());
// A table of copied rows as a statement names it, in the file attached as
// `schema`, if given.
QString RowTableName(const QString& table, const QString& schema = QString());
// The statement that makes a table of copied rows, with `columns` untyped
// columns named c0, c1, ....
QString CreateRowTable(const QString& table, int columns, const QString& schema = QString());
// The same with a declared type for each column, as `types` gives it after
// the column's name (empty: untyped).
QString CreateRowTable(const QString& table, const QStringList& types, const QString& schema = QString());

// Rows copied into a new table of an SQLite file as they come, for whoever
// reads them back with SQLite. The columns are untyped and named c0, c1, ...,
// so that every value keeps the kind it came with. The file takes the row
// files' settings, and UTF-16 texts when new (an empty file is new).
// Failures raise RuntimeError with SQLite's message.
class SqliteRowFile {
public:
    SqliteRowFile(const QString& path, const QString& table, int columns);
    // Drops what was not committed.
    ~SqliteRowFile();
    SqliteRowFile(const SqliteRowFile&) = delete;
    SqliteRowFile& operator=(const SqliteRowFile&) = delete;

    void append(const std::vector<Variant>& row);
    void commit();

private:
    [[noreturn]] void fail() const;
    void exec(const QString& sql);

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
};
