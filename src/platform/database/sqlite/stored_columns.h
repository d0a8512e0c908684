#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// The columns of a table as a copy of its rows takes them. SQLite copies a
// table's records as they are stored, without reading a value, into a table
// whose columns agree with the table's in type, collation and default;
// where they agree in type and collation alone it copies value by value, to
// the same effect (a value goes through the same type again unchanged).
struct StoredColumns {
    QString table;      // the table, as the database names it
    QStringList types;  // after each column's name: its declared type and its collation
    int key = -1;       // the column named `key`, if asked for
};

// The columns of the rows that `select` (prepared, not yet run) answers, if
// it reads every column of the table `table` of the main database and
// nothing else, and every type and collation can be written again as a
// column's. `key` is the column among them that a condition names.
std::optional<StoredColumns> StoredColumnsOf(sqlite3* db, sqlite3_stmt* select, const QString& table,
                                             const QString& key);
