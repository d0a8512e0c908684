#include "platform/database/odbc/odbc_backend.h"

#include "platform/database/engine_error.h"
#include "platform/database/engine_waits.h"
#include "platform/database/odbc/driver_logs.h"
#include "platform/database/odbc/mysql_statement_text.h"

#include <QRegularExpression>
#include <QSet>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's wide characters are UTF-16");

const SQLWCHAR* Wide(const QString& text)
{
    return reinterpret_cast<const SQLWCHAR*>(text.utf16());
}

QString FromWide(const SQLWCHAR* text, qsizetype length = -1)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

struct Diagnostic {
    QByteArray state;
    SQLINTEGER native = 0;
    QString message;
};

// Every diagnostic record of a handle: the first names the failure, the
// others often explain it.
Diagnostic DiagnosticOf(SQLSMALLINT type, SQLHANDLE handle)
{
    Diagnostic result;
    QStringList messages;
    SQLWCHAR state[6];
    SQLWCHAR text[SQL_MAX_MESSAGE_LENGTH];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1;
         SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, record, state, &native, text, SQL_MAX_MESSAGE_LENGTH, &length));
         ++record) {
        if (record == 1) {
            result.state = FromWide(state, 5).toLatin1();
            result.native = native;
        }
        messages.append(FromWide(text, qMin<qsizetype>(length, SQL_MAX_MESSAGE_LENGTH - 1)).trimmed());
    }
    result.message = messages.join(QStringLiteral("; "));
    return result;
}

// ODBC's own states, the server's states that psqlODBC passes on, and the
// native numbers MariaDB/MySQL and SQL Server give where the state says little.
EngineFailure FailureOf(const Diagnostic& d)
{
    const QByteArray& s = d.state;
    if (s == "42S02" || s == "42P01" || d.native == 208)
        return EngineFailure::MissingTable;
    if (s == "42S22" || s == "42703" || d.native == 207)
        return EngineFailure::MissingColumn;
    if (s == "23505" || d.native == 1062 || d.native == 2627 || d.native == 2601)
        return EngineFailure::DuplicateKey;
    if (s == "25006" || d.native == 1290 || d.native == 1792 || d.native == 3906)
        return EngineFailure::ReadOnly;
    if (s == "42501" || d.native == 1142 || d.native == 229)
        return EngineFailure::PermissionDenied;
    if (s == "55P03" || s == "40P01" || s == "HYT00" || d.native == 1205 || d.native == 1222)
        return EngineFailure::InUse;
    if (s.startsWith("23"))
        return EngineFailure::Constraint;
    if (s.startsWith("22"))
        return EngineFailure::ValueNotAccepted;
    if (s.startsWith("42") || s == "37000")
        return EngineFailure::Rejected;
    if (s.startsWith("08"))
        return EngineFailure::ConnectionLost;
    return EngineFailure::Other;
}

RuntimeError ErrorOf(SQLSMALLINT type, SQLHANDLE handle)
{
    const Diagnostic diagnostic = DiagnosticOf(type, handle);
    const EngineFailure failure = FailureOf(diagnostic);
    const QString detail =
        failure == EngineFailure::InUse ? LockWaitDetail(WaitSeconds(EngineWait::ServerLock)) : QString();
    return EngineError(failure, diagnostic.message, detail);
}

bool IsMysqlFamily(const QString& dbms)
{
    return dbms.contains(QLatin1String("MySQL"), Qt::CaseInsensitive)
        || dbms.contains(QLatin1String("MariaDB"), Qt::CaseInsensitive);
}

// What a session must be told so that it reads the statements' literals as
// the standard says (a backslash is an ordinary character) and gives up on
// another program's lock after a short wait, by the server's product name.
// MariaDB and MySQL are also told to refuse a value they would otherwise cut
// or mangle with only a warning (a text too long for its column, a character
// beyond the BMP in a column that cannot hold it).
QStringList SessionSettings(const QString& dbms)
{
    if (dbms.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return {QStringLiteral("SET standard_conforming_strings = on"),
                QStringLiteral("SET lock_timeout = '%1s'").arg(WaitSeconds(EngineWait::ServerLock))};
    if (IsMysqlFamily(dbms))
        return {QStringLiteral("SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, "
                               "',NO_BACKSLASH_ESCAPES,STRICT_ALL_TABLES')"),
                QStringLiteral("SET SESSION innodb_lock_wait_timeout = %1").arg(WaitSeconds(EngineWait::ServerLock))};
    if (dbms.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive))
        return {QStringLiteral("SET LOCK_TIMEOUT %1").arg(WaitSeconds(EngineWait::ServerLock) * 1000)};
    return {};
}

// The table a statement changes, for the statements the update runs.
QString ChangedTable(const QString& sql)
{
    static const QRegularExpression kChange(QStringLiteral("^\\s*(?:DELETE\\s+FROM|INSERT\\s+INTO|UPDATE)\\s+`?(\\w+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return kChange.match(sql).captured(1);
}

bool IsWholeNumber(SQLSMALLINT type)
{
    return type == SQL_INTEGER || type == SQL_SMALLINT || type == SQL_TINYINT || type == SQL_BIGINT || type == SQL_BIT;
}

bool IsFractional(SQLSMALLINT type)
{
    return type == SQL_REAL || type == SQL_FLOAT || type == SQL_DOUBLE || type == SQL_NUMERIC || type == SQL_DECIMAL;
}

class OdbcBackend : public DatabaseBackend {
public:
    OdbcBackend(const QString& connectionText, bool keepDriverLogs) : keepDriverLogs_(keepDriverLogs)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(SQLULEN(WaitSeconds(EngineWait::Connect))), 0);
        const SQLRETURN connected = SQLDriverConnectW(dbc_, nullptr, const_cast<SQLWCHAR*>(Wide(connectionText)),
                                                      SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(connected)) {
            const Diagnostic diagnostic = DiagnosticOf(SQL_HANDLE_DBC, dbc_);
            release();
            throw EngineError(
                EngineFailure::CannotOpen, diagnostic.message,
                QStringLiteral("Origine dati ODBC: il driver o il server non risponde, rifiuta l'accesso o "
                               "non trova il database."));
        }
        connected_ = true;
        try {
            SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_);
            SQLWCHAR name[256] = {};
            SQLSMALLINT length = 0;
            SQLGetInfoW(dbc_, SQL_DBMS_NAME, name, sizeof name, &length);
            const QString dbms = FromWide(name);
            mysqlFamily_ = IsMysqlFamily(dbms);
            for (const QString& setting : SessionSettings(dbms))
                execute(setting);
        } catch (...) {
            release();
            throw;
        }
    }

    ~OdbcBackend() override { release(); }

    ResultSet query(const QString& sql) override
    {
        run(sql);
        ResultSet result;
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt_, &columns);
        std::vector<SQLSMALLINT> types;
        for (SQLSMALLINT c = 1; c <= columns; ++c) {
            SQLWCHAR name[256] = {};
            SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            SQLDescribeColW(stmt_, c, name, 256, &nameLength, &type, &size, &digits, &nullable);
            result.columns.append(FromWide(name, qMin<qsizetype>(nameLength, 255)));
            types.push_back(type);
        }
        for (;;) {
            const SQLRETURN fetched = SQLFetch(stmt_);
            if (fetched == SQL_NO_DATA)
                break;
            if (!SQL_SUCCEEDED(fetched))
                throw closing(ErrorOf(SQL_HANDLE_STMT, stmt_));
            std::vector<Variant> row;
            row.reserve(types.size());
            for (SQLSMALLINT c = 1; c <= columns; ++c)
                row.push_back(value(c, types[static_cast<size_t>(c - 1)]));
            result.rows.push_back(std::move(row));
        }
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return result;
    }

    void execute(const QString& sql) override
    {
        if (inTransaction_ && mysqlFamily_)
            requireTransactionalTable(ChangedTable(sql));
        run(sql);
        SQLFreeStmt(stmt_, SQL_CLOSE);
    }

    // Autocommit off is all a driver is asked for; one that cannot roll back
    // would keep every statement before a failure, so it is refused first,
    // and so is one that cannot even say whether it can.
    void beginTransaction() override
    {
        SQLUSMALLINT capable = SQL_TC_NONE;
        if (!SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_TXN_CAPABLE, &capable, sizeof capable, nullptr))
            || capable == SQL_TC_NONE)
            throw EngineError(EngineFailure::NoTransactions, QString(),
                              QStringLiteral("Il driver ODBC non dichiara di gestirle."));
        setAutocommit(false);
        inTransaction_ = true;
    }

    void requireRollback(const QStringList& tables) override
    {
        if (!mysqlFamily_)
            return;
        for (const QString& table : tables)
            requireTransactionalTable(table);
    }

    void commitTransaction() override
    {
        if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT)))
            throw ErrorOf(SQL_HANDLE_DBC, dbc_);
        endTransaction();
    }

    void rollbackTransaction() override
    {
        if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK)))
            throw ErrorOf(SQL_HANDLE_DBC, dbc_);
        endTransaction();
    }

private:
    void release()
    {
        if (stmt_)
            SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        if (connected_)
            SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
        stmt_ = dbc_ = env_ = SQL_NULL_HANDLE;
        if (!keepDriverLogs_)
            RemoveDriverLogs();
    }

    RuntimeError closing(const RuntimeError& error)
    {
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return error;
    }

    void endTransaction()
    {
        setAutocommit(true);
        inTransaction_ = false;
    }

    // On MariaDB and MySQL the storage engine of each table decides whether
    // its changes can be rolled back (MyISAM's cannot): a table that cannot
    // is refused when the update asks before its first change, and in any
    // case before the transaction's first change to it. Any change made
    // before that was to tables that can, so the rollback undoes it.
    void requireTransactionalTable(const QString& table)
    {
        if (table.isEmpty() || transactionalTables_.contains(table.toLower()))
            return;
        const ResultSet engine =
            query(QStringLiteral("SELECT t.ENGINE, e.TRANSACTIONS FROM information_schema.TABLES t"
                                 " LEFT JOIN information_schema.ENGINES e ON e.ENGINE = t.ENGINE"
                                 " WHERE t.TABLE_SCHEMA = DATABASE() AND LOWER(t.TABLE_NAME) = LOWER('%1')")
                      .arg(table));
        // A table that is missing, or a view, is left for the statement to report.
        if (!engine.rows.empty() && !engine.rows[0][0].isNull() && engine.rows[0][1] != Variant(QStringLiteral("YES")))
            throw EngineError(EngineFailure::NoTransactions, QString(),
                              QStringLiteral("La tabella %1 usa il motore %2, che non le gestisce.")
                                  .arg(table, DefaultText(engine.rows[0][0])));
        transactionalTables_.insert(table.toLower());
    }

    void run(const QString& original)
    {
        const QString sql = mysqlFamily_ ? MysqlStatementText(original) : original;
        const SQLRETURN done =
            SQLExecDirectW(stmt_, const_cast<SQLWCHAR*>(Wide(sql)), static_cast<SQLINTEGER>(sql.size()));
        // A statement that touches no rows answers "no data", which is no failure.
        if (!SQL_SUCCEEDED(done) && done != SQL_NO_DATA)
            throw closing(ErrorOf(SQL_HANDLE_STMT, stmt_));
    }

    void setAutocommit(bool on)
    {
        const auto value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
        if (!SQL_SUCCEEDED(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0)))
            throw ErrorOf(SQL_HANDLE_DBC, dbc_);
    }

    Variant value(SQLSMALLINT column, SQLSMALLINT type)
    {
        SQLLEN indicator = 0;
        if (IsWholeNumber(type)) {
            SQLBIGINT number = 0;
            getData(column, SQL_C_SBIGINT, &number, sizeof number, &indicator);
            return indicator == SQL_NULL_DATA ? Variant() : Variant(static_cast<qint64>(number));
        }
        if (IsFractional(type)) {
            double number = 0;
            getData(column, SQL_C_DOUBLE, &number, sizeof number, &indicator);
            return indicator == SQL_NULL_DATA ? Variant() : Variant(number);
        }
        // Texts arrive in pieces when they are longer than the buffer.
        QString text;
        SQLWCHAR buffer[1024];
        for (;;) {
            const SQLRETURN got = getData(column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            if (indicator == SQL_NULL_DATA)
                return {};
            if (got == SQL_NO_DATA)
                break;
            const qsizetype capacity = static_cast<qsizetype>(sizeof buffer / sizeof(SQLWCHAR)) - 1;
            const qsizetype length = indicator == SQL_NO_TOTAL || indicator / qsizetype(sizeof(SQLWCHAR)) > capacity
                ? capacity
                : indicator / qsizetype(sizeof(SQLWCHAR));
            text += FromWide(buffer, length);
            if (got == SQL_SUCCESS)
                break;
        }
        return Variant(text);
    }

    SQLRETURN getData(SQLSMALLINT column, SQLSMALLINT type, SQLPOINTER target, SQLLEN size, SQLLEN* indicator)
    {
        const SQLRETURN got = SQLGetData(stmt_, static_cast<SQLUSMALLINT>(column), type, target, size, indicator);
        if (!SQL_SUCCEEDED(got) && got != SQL_NO_DATA)
            throw closing(ErrorOf(SQL_HANDLE_STMT, stmt_));
        return got;
    }

    SQLHENV env_ = SQL_NULL_HANDLE;
    SQLHDBC dbc_ = SQL_NULL_HANDLE;
    SQLHSTMT stmt_ = SQL_NULL_HANDLE;
    bool connected_ = false;
    bool keepDriverLogs_;
    bool mysqlFamily_ = false;
    bool inTransaction_ = false;
    // Tables whose engine was found to roll back, by lower-case name.
    QSet<QString> transactionalTables_;
};

}  // namespace

std::unique_ptr<DatabaseBackend> OpenOdbcDatabase(const QString& connectionText, bool keepDriverLogs)
{
    return std::make_unique<OdbcBackend>(connectionText, keepDriverLogs);
}
