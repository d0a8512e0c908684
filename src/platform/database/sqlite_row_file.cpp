#include "platform/database/sqlite_row_file.h"

#include "platform/runtime/runtime_error.h"

#include <sqlite3.h>
#include <QFile>
#include <QStringList>

int BindSqliteValue(sqlite3_stmt* statement, int index, const Variant& value)
{
    switch (value.type()) {
        case Variant::Type::Null: return sqlite3_bind_null(statement, index);
        case Variant::Type::Integer: return sqlite3_bind_int64(statement, index, value.integer());
        case Variant::Type::Double: return sqlite3_bind_double(statement, index, value.real());
        case Variant::Type::Text:
            // constData(), not utf16(), which copies a literal's text into the
            // value to end it with a 0.
            return sqlite3_bind_text16(statement, index, value.text().constData(), int(value.text().size() * 2),
                                       SQLITE_STATIC);
        case Variant::Type::Binary:
            return sqlite3_bind_blob(statement, index, value.bytes().constData(), int(value.bytes().size()),
                                     SQLITE_STATIC);
    }
    return SQLITE_MISUSE;
}

QString RowTableName(const QString& table, const QString& schema)
{
    const QString quoted =
        QLatin1Char('"') + QString(table).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return schema.isEmpty() ? quoted : schema + QLatin1Char('.') + quoted;
}

QString RowFileSettings(const QString& schema)
{
    const QString prefix = schema.isEmpty() ? QString() : schema + QLatin1Char('.');
    return QStringLiteral("PRAGMA %1page_size = 65536; PRAGMA %1journal_mode = OFF; PRAGMA %1synchronous = OFF;")
        .arg(prefix);
}

QString CreateRowTable(const QString& table, int columns, const QString& schema)
{
    return CreateRowTable(table, QStringList(columns), schema);
}

QString CreateRowTable(const QString& table, const QStringList& types, const QString& schema)
{
    QStringList columns;
    for (qsizetype i = 0; i < types.size(); ++i)
        columns << (types.at(i).isEmpty() ? QStringLiteral("c%1").arg(i)
                                          : QStringLiteral("c%1 %2").arg(i).arg(types.at(i)));
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(RowTableName(table, schema), columns.join(QStringLiteral(", ")));
}

SqliteRowFile::SqliteRowFile(const QString& path, const QString& table, int columns)
{
    // One thread writes the file: SQLite need not lock its own structures at every call.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK)
        fail();
    // SQLite's own small cache: full pages go to the file as they fill, and
    // the whole file is never held in memory until the commit.
    exec(RowFileSettings() + QStringLiteral("PRAGMA encoding = 'UTF-16le'; BEGIN; ")
         + CreateRowTable(table, columns));
    const QByteArray insert =
        QStringLiteral("INSERT INTO %1 VALUES (%2)")
            .arg(RowTableName(table), QStringList(columns, QStringLiteral("?")).join(QStringLiteral(", ")))
            .toUtf8();
    if (sqlite3_prepare_v2(db_, insert.constData(), int(insert.size()), &insert_, nullptr) != SQLITE_OK)
        fail();
}

SqliteRowFile::~SqliteRowFile()
{
    sqlite3_finalize(insert_);
    sqlite3_close_v2(db_);
}

void SqliteRowFile::append(const std::vector<Variant>& row)
{
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (BindSqliteValue(insert_, int(i) + 1, row[i]) != SQLITE_OK)
            fail();
    }
    if (sqlite3_step(insert_) != SQLITE_DONE)
        fail();
    sqlite3_reset(insert_);
}

void SqliteRowFile::commit()
{
    exec(QStringLiteral("COMMIT"));
}

void SqliteRowFile::exec(const QString& sql)
{
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

void SqliteRowFile::fail() const
{
    throw RuntimeError(ErrorNumber::Failure,
                       db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("memoria insufficiente"));
}
