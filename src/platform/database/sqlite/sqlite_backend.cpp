#include "platform/database/sqlite/sqlite_backend.h"

#include "platform/database/engine_error.h"
#include "platform/database/engine_waits.h"
#include "platform/database/sqlite/literal_insert.h"
#include "platform/database/sqlite/stored_columns.h"
#include "platform/database/sqlite_row_file.h"

#include <sqlite3.h>
#include <QHash>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>

namespace {

QString Message(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

EngineFailure FailureOf(int code, int systemError, const QString& message)
{
    if (systemError == ENOSPC)
        return EngineFailure::DiskFull;
    switch (code) {
        case SQLITE_CONSTRAINT_PRIMARYKEY:
        case SQLITE_CONSTRAINT_UNIQUE: return EngineFailure::DuplicateKey;
        case SQLITE_IOERR_ACCESS: return EngineFailure::PermissionDenied;
        default: break;
    }
    switch (code & 0xff) {
        case SQLITE_CONSTRAINT: return EngineFailure::Constraint;
        case SQLITE_READONLY: return EngineFailure::ReadOnly;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return EngineFailure::InUse;
        case SQLITE_FULL: return EngineFailure::DiskFull;
        case SQLITE_TOOBIG:
        case SQLITE_MISMATCH:
        case SQLITE_RANGE: return EngineFailure::ValueNotAccepted;
        case SQLITE_PERM:
        case SQLITE_AUTH: return EngineFailure::PermissionDenied;
        case SQLITE_CANTOPEN:
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT: return EngineFailure::CannotOpen;
        case SQLITE_ERROR:
            if (message.startsWith(QLatin1String("no such table")))
                return EngineFailure::MissingTable;
            if (message.startsWith(QLatin1String("no such column"))
                || message.contains(QLatin1String("has no column named")))
                return EngineFailure::MissingColumn;
            return EngineFailure::Rejected;
        default: return EngineFailure::Other;
    }
}

RuntimeError ErrorOf(sqlite3* db)
{
    const int code = sqlite3_extended_errcode(db);
    const EngineFailure failure = FailureOf(code, sqlite3_system_errno(db), Message(db));
    const QString detail =
        failure == EngineFailure::InUse ? LockWaitDetail(WaitSeconds(EngineWait::LocalLock)) : QString();
    return EngineError(failure, Message(db), detail);
}

// QString::fromUtf8 drops a leading U+FEFF, which is part of the source's text.
QString SourceText(const char* text, int size)
{
    if (size < 3 || std::memcmp(text, "\xef\xbb\xbf", 3) != 0)
        return QString::fromUtf8(text, size);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(text, size));
}

Variant ColumnValue(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_NULL: return {};
        case SQLITE_INTEGER: return Variant(static_cast<qint64>(sqlite3_column_int64(statement, column)));
        case SQLITE_FLOAT: return Variant(sqlite3_column_double(statement, column));
        default: {
            const auto* text = static_cast<const char*>(sqlite3_column_blob(statement, column));
            return Variant(SourceText(text, sqlite3_column_bytes(statement, column)));
        }
    }
}

// One compiled statement, finalized whatever happens.
class Statement {
public:
    Statement(sqlite3* db, const QByteArray& text) : db_(db)
    {
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &statement_, &tail) != SQLITE_OK)
            throw ErrorOf(db);
        if (!statement_)
            throw EngineError(EngineFailure::Rejected, QString(), QStringLiteral("Il testo dell'istruzione è vuoto."));
        // The layer runs one statement per call: a second one hidden in a text
        // would otherwise be dropped without a word.
        if (!QByteArray(tail).trimmed().isEmpty())
            throw EngineError(EngineFailure::Rejected, QString(),
                              QStringLiteral("Il testo contiene più di un'istruzione."));
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // True while a row is there to read.
    bool step()
    {
        switch (sqlite3_step(statement_)) {
            case SQLITE_ROW: return true;
            case SQLITE_DONE: return false;
            default: throw ErrorOf(db_);
        }
    }
    sqlite3_stmt* handle() const { return statement_; }

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

class SqliteBackend : public DatabaseBackend {
public:
    explicit SqliteBackend(const QString& path)
    {
        // Read and write where the file allows it; never created here. The
        // connection is used by one thread at a time, so SQLite need not lock
        // its own structures at every call.
        const int opened =
            sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (opened != SQLITE_OK) {
            const QString message = db_ ? Message(db_) : QString::fromUtf8(sqlite3_errstr(opened));
            sqlite3_close(db_);
            throw EngineError(EngineFailure::CannotOpen, message, QStringLiteral("File '%1'.").arg(path));
        }
        sqlite3_extended_result_codes(db_, 1);
        // A statement waits this long for another program's lock on the file
        // before it gives up and says the database is in use.
        sqlite3_busy_timeout(db_, WaitSeconds(EngineWait::LocalLock) * 1000);
        // Opening is lazy in SQLite: reading the schema is what tells a real
        // database from a file that only starts like one.
        try {
            query(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        } catch (const RuntimeError&) {
            const bool inUse = (sqlite3_extended_errcode(db_) & 0xff) == SQLITE_BUSY;
            const QString message = Message(db_);
            sqlite3_close(db_);
            if (inUse)
                throw;
            throw EngineError(EngineFailure::CannotOpen, message, QStringLiteral("File '%1'.").arg(path));
        }
    }

    ~SqliteBackend() override
    {
        for (sqlite3_stmt* insert : std::as_const(inserts_))
            sqlite3_finalize(insert);
        sqlite3_close(db_);
    }

    ResultSet query(const QString& sql) override
    {
        Statement statement(db_, sql.toUtf8());
        ResultSet result;
        const int columns = sqlite3_column_count(statement.handle());
        for (int i = 0; i < columns; ++i)
            result.columns.append(QString::fromUtf8(sqlite3_column_name(statement.handle(), i)));
        while (statement.step()) {
            std::vector<Variant> row;
            row.reserve(static_cast<size_t>(columns));
            for (int i = 0; i < columns; ++i)
                row.push_back(ColumnValue(statement.handle(), i));
            result.rows.push_back(std::move(row));
        }
        return result;
    }

    void execute(const QString& sql) override
    {
        const QByteArray text = sql.toUtf8();
        if (ReadLiteralInsert(text, insert_, last_.key.first)) {
            if (sqlite3_stmt* compiled = compiledInsert(insert_)) {
                run(compiled, insert_);
                return;
            }
        }
        Statement statement(db_, text);
        while (statement.step()) {
        }
    }

    // The write lock is taken at once. Taken later, when the changes no
    // longer fit in memory, it could wait for a reader again and again: each
    // time SQLite waits out the busy timeout and carries on, and the run
    // crawls. Taken here, a reader makes the run fail as in use, unchanged.
    void beginTransaction() override
    {
        execute(QStringLiteral("BEGIN EXCLUSIVE"));
        begun_ = true;
    }

    void commitTransaction() override
    {
        execute(QStringLiteral("COMMIT"));
        begun_ = false;
    }

    // A write that failed half-way (a full disk) leaves SQLite unable to roll
    // back by itself: the file keeps the pages already written and the journal
    // stays behind, to be played back by whoever opens the file next; a copy
    // taken in between is damaged. Reading the file again plays the journal
    // back now, so the file is whole on its own when the tool lets it go.
    // A transaction that never began wrote nothing and holds no lock: there
    // is nothing to undo, and no reason to wait for another program again.
    void rollbackTransaction() override
    {
        if (!begun_)
            return;
        begun_ = false;
        std::optional<RuntimeError> failure;
        if (!sqlite3_get_autocommit(db_)) {
            try {
                execute(QStringLiteral("ROLLBACK"));
            } catch (const RuntimeError& error) {
                failure = error;
            }
        }
        query(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        if (failure && !sqlite3_get_autocommit(db_))
            throw *failure;
    }

    // Changed by every commit of another connection, of this process or
    // another; this connection's own leave it as it is.
    QByteArray changeMark() override
    {
        Statement statement(db_, QByteArrayLiteral("PRAGMA data_version"));
        if (!statement.step())
            return {};
        return QByteArrayLiteral("data_version ") + QByteArray::number(sqlite3_column_int64(statement.handle(), 0));
    }

    bool typesValuesPerRow() const override { return true; }

    // The file is attached to this connection for the copy, which SQLite
    // refuses inside a transaction.
    std::optional<std::vector<QStringList>> copyRowsToSqliteFile(const QString& file,
                                                                 const std::vector<RowCopy>& copies) override
    {
        if (!sqlite3_get_autocommit(db_))
            return std::nullopt;
        {
            Statement attach(db_, QByteArrayLiteral("ATTACH DATABASE ?1 AS copia_righe"));
            const QByteArray path = file.toUtf8();
            sqlite3_bind_text(attach.handle(), 1, path.constData(), int(path.size()), SQLITE_TRANSIENT);
            attach.step();
        }
        struct Detach {
            sqlite3* db;
            ~Detach() { sqlite3_exec(db, "DETACH DATABASE copia_righe", nullptr, nullptr, nullptr); }
        } detach{db_};
        const auto run = [this](const QString& sql) {
            if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
                throw ErrorOf(db_);
        };
        const QString schema = QStringLiteral("copia_righe");
        run(RowFileSettings(schema));
        std::vector<QStringList> copied;
        for (const RowCopy& copy : copies) {
            QStringList names;
            std::optional<StoredColumns> stored;
            {
                Statement rows(db_, copy.select().toUtf8());
                for (int i = 0; i < sqlite3_column_count(rows.handle()); ++i)
                    names.append(QString::fromUtf8(sqlite3_column_name(rows.handle(), i)));
                stored = StoredColumnsOf(db_, rows.handle(), copy.table, copy.key);
            }
            const QString into = RowTableName(copy.into, schema);
            if (stored) {
                // The whole table, then out with the rows the condition
                // leaves out, chosen by the same comparison on a column of
                // the same type and collation.
                run(CreateRowTable(copy.into, stored->types, schema));
                run(QStringLiteral("INSERT INTO %1 SELECT * FROM %2")
                        .arg(into, RowTableName(stored->table, QStringLiteral("main"))));
                if (!copy.key.isEmpty())
                    run(QStringLiteral("DELETE FROM %1 WHERE (c%2 >=%3) IS NOT 1")
                            .arg(into)
                            .arg(stored->key)
                            .arg(copy.lowest));
            } else {
                run(CreateRowTable(copy.into, int(names.size()), schema));
                run(QStringLiteral("INSERT INTO %1 %2").arg(into, copy.select()));
            }
            copied.push_back(names);
        }
        return copied;
    }

private:
    // The head of an insert compiled once with a parameter for each value;
    // null when SQLite refuses it, and the statement then goes to SQLite as
    // it stands, to fail with SQLite's own words.
    sqlite3_stmt* compiledInsert(const LiteralInsert& insert)
    {
        // A run sends one table's rows one after the other: the last head
        // is looked at first.
        if (last_.compiled && insert.head == last_.key.first && insert.values.size() == last_.key.second)
            return last_.compiled;
        const QPair<QByteArray, std::size_t> key{insert.head.toByteArray(), insert.values.size()};
        if (sqlite3_stmt* known = inserts_.value(key)) {
            last_ = {key, known};
            return known;
        }
        const QByteArray text = insert.parameterized();
        sqlite3_stmt* compiled = nullptr;
        if (sqlite3_prepare_v2(db_, text.constData(), static_cast<int>(text.size()), &compiled, nullptr) != SQLITE_OK) {
            sqlite3_finalize(compiled);
            return nullptr;
        }
        inserts_.insert(key, compiled);
        last_ = {key, compiled};
        return compiled;
    }

    // Binds each literal as the value SQLite reads from it, and runs the insert.
    void run(sqlite3_stmt* compiled, const LiteralInsert& insert)
    {
        for (int i = 0; i < static_cast<int>(insert.values.size()); ++i) {
            const LiteralInsert::Value& value = insert.values[static_cast<std::size_t>(i)];
            switch (value.kind) {
                case LiteralInsert::Value::Kind::Null: sqlite3_bind_null(compiled, i + 1); break;
                case LiteralInsert::Value::Kind::Integer: sqlite3_bind_int64(compiled, i + 1, value.integer); break;
                case LiteralInsert::Value::Kind::Text:
                    sqlite3_bind_text(compiled, i + 1, value.text.constData(), static_cast<int>(value.text.size()),
                                      SQLITE_STATIC);
                    break;
            }
        }
        const int stepped = sqlite3_step(compiled);
        const std::optional<RuntimeError> failure =
            stepped == SQLITE_DONE ? std::nullopt : std::optional<RuntimeError>(ErrorOf(db_));
        sqlite3_reset(compiled);
        if (failure)
            throw *failure;
    }

    sqlite3* db_ = nullptr;
    // Between a BEGIN that took the lock and the end of its transaction.
    bool begun_ = false;
    // By head and number of values.
    QHash<QPair<QByteArray, std::size_t>, sqlite3_stmt*> inserts_;
    struct {
        QPair<QByteArray, std::size_t> key;
        sqlite3_stmt* compiled = nullptr;
    } last_;
    // Read anew for every insert.
    LiteralInsert insert_;
};

}  // namespace

std::unique_ptr<DatabaseBackend> OpenSqliteDatabase(const QString& path)
{
    return std::make_unique<SqliteBackend>(path);
}
