#pragma once

#include "platform/runtime/variant.h"

#include <QString>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Binds a value to a parameter of an SQLite statement, each kind as itself.
// Texts and bytes are not copied: the value must stay until the statement
// runs. Answers SQLite's result code.
int BindSqliteValue(sqlite3_stmt* statement, int index, const Variant& value);

// Rows copied into a new table of an SQLite file as they come, for whoever
// reads them back with SQLite. The columns are untyped and named c0, c1, ...,
// so that every value keeps the kind it came with. The file is written once
// and read whole, and is its writer's to sync: it takes 64 KiB pages and
// UTF-16 texts when new (an empty file is new) and keeps no journal.
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
