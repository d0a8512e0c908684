#include "platform/database/sqlite/stored_columns.h"

#include <sqlite3.h>
#include <QRegularExpression>

namespace {

// A declared type that reads the same written after another column's name:
// words, and one or two numbers in brackets.
bool PlainType(const QString& type)
{
    static const QRegularExpression plain(
        QStringLiteral(R"(^[A-Za-z][A-Za-z0-9_ ]*(\(\s*[+-]?\d+\s*(,\s*[+-]?\d+\s*)?\))?$)"));
    return type.isEmpty() || plain.match(type).hasMatch();
}

bool PlainName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral(R"(^[A-Za-z_][A-Za-z0-9_]*$)"));
    return plain.match(name).hasMatch();
}

}  // namespace

std::optional<StoredColumns> StoredColumnsOf(sqlite3* db, sqlite3_stmt* select, const QString& table,
                                             const QString& key)
{
    StoredColumns stored;
    const int count = sqlite3_column_count(select);
    for (int i = 0; i < count; ++i) {
        const char* database = sqlite3_column_database_name(select, i);
        const char* origin = sqlite3_column_table_name(select, i);
        const char* column = sqlite3_column_origin_name(select, i);
        // A view's or an expression's column is no stored one.
        if (!database || !origin || !column || qstrcmp(database, "main") != 0
            || QString::fromUtf8(origin).compare(table, Qt::CaseInsensitive) != 0)
            return std::nullopt;
        stored.table = QString::fromUtf8(origin);
        const char* type = nullptr;
        const char* collation = nullptr;
        if (sqlite3_table_column_metadata(db, database, origin, column, &type, &collation, nullptr, nullptr, nullptr)
            != SQLITE_OK)
            return std::nullopt;
        const QString declared = QString::fromUtf8(type ? type : "").trimmed();
        const QString collated = QString::fromUtf8(collation ? collation : "BINARY");
        if (!PlainType(declared) || !PlainName(collated))
            return std::nullopt;
        // SQLite's own collation is the one a column without its own takes:
        // named, it would tell the copy's column from the table's.
        stored.types << (collated.compare(QLatin1String("BINARY"), Qt::CaseInsensitive) == 0
                             ? declared
                             : (declared + QStringLiteral(" COLLATE ") + collated).trimmed());
        if (!key.isEmpty() && QString::fromUtf8(column).compare(key, Qt::CaseInsensitive) == 0)
            stored.key = i;
    }
    if (count == 0 || (!key.isEmpty() && stored.key < 0))
        return std::nullopt;
    return stored;
}
