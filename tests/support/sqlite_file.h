#pragma once

#include <QString>
#include <QStringList>

// A real SQLite database file for tests, reached through the sqlite3 library
// itself rather than through the layer under test.
class SqliteFile {
public:
    explicit SqliteFile(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }
    // Runs one or more statements; throws std::runtime_error on failure.
    void exec(const QString& sql) const;
    // Every row of a query, its values joined by "|", Null written as NULL.
    QStringList rows(const QString& sql) const;

private:
    QString path_;
};
