#include "support/sqlite_file.h"

#include <sqlite3.h>
#include <stdexcept>

namespace {

struct Handle {
    explicit Handle(const QString& path)
    {
        if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
            throw std::runtime_error(std::string("sqlite3_open: ") + sqlite3_errmsg(db));
    }
    ~Handle() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

}  // namespace

void SqliteFile::exec(const QString& sql) const
{
    Handle handle(path_);
    char* error = nullptr;
    if (sqlite3_exec(handle.db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("sqlite3_exec: " + message);
    }
}

QStringList SqliteFile::rows(const QString& sql) const
{
    Handle handle(path_);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle.db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("sqlite3_prepare: ") + sqlite3_errmsg(handle.db));
    QStringList result;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QStringList values;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            if (sqlite3_column_type(statement, i) == SQLITE_NULL)
                values.append(QStringLiteral("NULL"));
            else
                values.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i))));
        }
        result.append(values.join(QLatin1Char('|')));
    }
    sqlite3_finalize(statement);
    return result;
}
