#include "sqlite_backend.h"

#include "runtime_error.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>

namespace {

// SQLite's primary result codes, as the Qt driver reports them.
constexpr int kSqliteError = 1;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteConstraint = 19;

QString EngineMessage(const QSqlError& error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

RuntimeError ToRuntimeError(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt();
    const QString message = EngineMessage(error);
    switch (code & 0xff) {
    case kSqliteConstraint:
        return {ErrorNumber::IntegrityViolation, message};
    case kSqliteReadOnly:
        return {ErrorNumber::ReadOnlyDatabase, message};
    case kSqliteError:
        if (message.startsWith(QLatin1String("no such table")))
            return {ErrorNumber::NoSuchTable, message};
        return {ErrorNumber::StatementRejected, message};
    default:
        return {ErrorNumber::Failure, message};
    }
}

Variant ToVariant(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return Variant(value.toLongLong());
    case QMetaType::Double:
        return Variant(value.toDouble());
    case QMetaType::QByteArray:
        return Variant(QString::fromUtf8(value.toByteArray()));
    default:
        return Variant(value.toString());
    }
}

class SqliteBackend : public DatabaseBackend {
public:
    SqliteBackend()
    {
        static std::atomic<int> counter{0};
        name_ = QStringLiteral("corvanta-sqlite-%1").arg(++counter);
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    }

    void open(const QString& path)
    {
        db_.setDatabaseName(path);
        if (!db_.open())
            throw RuntimeError(ErrorNumber::Failure, EngineMessage(db_.lastError()));
        // Opening is lazy in SQLite: reading the schema is what tells a real
        // database from a file that only starts like one.
        QSqlQuery probe(db_);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
            throw RuntimeError(ErrorNumber::Failure, EngineMessage(probe.lastError()));
    }

    ~SqliteBackend() override
    {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }

    ResultSet query(const QString& sql) override
    {
        QSqlQuery query(db_);
        query.setForwardOnly(true);
        if (!query.exec(sql))
            throw ToRuntimeError(query.lastError());
        ResultSet result;
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i)
            result.columns.append(record.fieldName(i));
        while (query.next()) {
            std::vector<Variant> row;
            row.reserve(record.count());
            for (int i = 0; i < record.count(); ++i)
                row.push_back(ToVariant(query.value(i)));
            result.rows.push_back(std::move(row));
        }
        if (query.lastError().isValid())
            throw ToRuntimeError(query.lastError());
        return result;
    }

    void execute(const QString& sql) override
    {
        QSqlQuery query(db_);
        query.setForwardOnly(true);
        if (!query.exec(sql))
            throw ToRuntimeError(query.lastError());
    }

    void beginTransaction() override
    {
        if (!db_.transaction())
            throw ToRuntimeError(db_.lastError());
    }

    void commitTransaction() override
    {
        if (!db_.commit())
            throw ToRuntimeError(db_.lastError());
    }

    void rollbackTransaction() override
    {
        if (!db_.rollback())
            throw ToRuntimeError(db_.lastError());
    }

private:
    QString name_;
    QSqlDatabase db_;
};

}  // namespace

std::unique_ptr<DatabaseBackend> OpenSqliteDatabase(const QString& path)
{
    auto backend = std::make_unique<SqliteBackend>();
    backend->open(path);
    return backend;
}
