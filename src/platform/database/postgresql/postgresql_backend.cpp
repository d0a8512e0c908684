#include "platform/database/postgresql/postgresql_backend.h"

#include "platform/database/engine_error.h"
#include "platform/database/engine_waits.h"

#include <libpq-fe.h>
#include <poll.h>
#include <cerrno>
#include <functional>
#include <optional>

namespace {

// Statements sent ahead and not yet answered. The server sends its answers
// when its 8 KB output buffer fills (some 250 inserts) or when asked; about
// that many in flight keeps it busy while the next rows are built, and the
// answers always fit in the socket's buffers.
constexpr quint64 kMaxInFlight = 256;

// Type OIDs of the results the layer turns into numbers.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;

EngineFailure FailureOf(const QByteArray& state)
{
    if (state == "42P01")
        return EngineFailure::MissingTable;
    if (state == "42703")
        return EngineFailure::MissingColumn;
    if (state == "23505")
        return EngineFailure::DuplicateKey;
    if (state == "25006")
        return EngineFailure::ReadOnly;
    if (state == "42501")
        return EngineFailure::PermissionDenied;
    if (state == "55P03" || state == "40P01")
        return EngineFailure::InUse;
    if (state == "53100")
        return EngineFailure::DiskFull;
    if (state.startsWith("23"))
        return EngineFailure::Constraint;
    if (state.startsWith("22"))
        return EngineFailure::ValueNotAccepted;
    if (state.startsWith("42"))
        return EngineFailure::Rejected;
    if (state.startsWith("08") || state.startsWith("57P"))
        return EngineFailure::ConnectionLost;
    return EngineFailure::Other;
}

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// `lockHolders` names, for a lock that did not come free, who holds it.
RuntimeError ErrorOf(const PGresult* result, const std::function<QString()>& lockHolders = {})
{
    const QByteArray state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    QString message = QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    if (const char* detail = PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL))
        message += QStringLiteral(": ") + QString::fromUtf8(detail);
    if (message.isEmpty())
        message = QString::fromUtf8(PQresultErrorMessage(result));
    const EngineFailure failure = FailureOf(state);
    QString detail;
    if (failure == EngineFailure::InUse) {
        detail = LockWaitDetail(WaitSeconds(EngineWait::ServerLock));
        const QString holders = lockHolders ? lockHolders() : QString();
        if (!holders.isEmpty())
            detail += QStringLiteral(" Lo tengono occupato: %1.").arg(holders);
    }
    return EngineError(failure, message, detail);
}

PGconn* Connect(const PostgresqlLogin& login)
{
    const QByteArray host = login.host.toUtf8(), port = login.port.toUtf8(), database = login.database.toUtf8(),
                     user = login.user.toUtf8(), password = login.password.toUtf8(),
                     timeout = QByteArray::number(WaitSeconds(EngineWait::Connect));
    // Keepalives end a run whose server vanished from the network instead
    // of leaving the window waiting for an answer that cannot come.
    const char* keywords[] = {"host",
                              "port",
                              "dbname",
                              "user",
                              "password",
                              "connect_timeout",
                              "client_encoding",
                              "application_name",
                              "keepalives",
                              "keepalives_idle",
                              "keepalives_interval",
                              "keepalives_count",
                              nullptr};
    const char* values[] = {host.constData(),
                            port.constData(),
                            database.constData(),
                            user.constData(),
                            password.constData(),
                            timeout.constData(),
                            "UTF8",
                            "Corvanta ABI/CAB",
                            "1",
                            "5",
                            "2",
                            "3",
                            nullptr};
    return PQconnectdbParams(keywords, values, 0);
}

// The other sessions of the database that hold a table lock that writes
// conflict with, as "utente 'x' con 'programma' da indirizzo". Asked on a
// connection of its own: the failed transaction can run no query, and its
// own locks must not count.
QString LockHolders(const PostgresqlLogin& login, int ownProcess)
{
    PGconn* conn = Connect(login);
    const QByteArray own = QByteArray::number(ownProcess);
    const char* parameters[] = {own.constData()};
    Result result(PQstatus(conn) == CONNECTION_OK
                      ? PQexecParams(conn,
                                     "SELECT DISTINCT a.usename, a.application_name, coalesce(host(a.client_addr), '')"
                                     " FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid"
                                     " WHERE l.granted AND l.locktype = 'relation' AND l.mode <> 'AccessShareLock'"
                                     " AND a.datname = current_database() AND l.pid <> $1::int"
                                     " AND l.pid <> pg_backend_pid() ORDER BY 1, 2, 3",
                                     1, nullptr, parameters, nullptr, nullptr, 0)
                      : nullptr);
    QStringList holders;
    if (PQresultStatus(result.get()) == PGRES_TUPLES_OK) {
        for (int row = 0; row < PQntuples(result.get()); ++row) {
            QString holder = QStringLiteral("utente '%1'").arg(QString::fromUtf8(PQgetvalue(result.get(), row, 0)));
            if (const QString program = QString::fromUtf8(PQgetvalue(result.get(), row, 1)); !program.isEmpty())
                holder += QStringLiteral(" con '%1'").arg(program);
            if (const QString address = QString::fromUtf8(PQgetvalue(result.get(), row, 2)); !address.isEmpty())
                holder += QStringLiteral(" da %1").arg(address);
            holders.append(holder);
        }
    }
    PQfinish(conn);
    return holders.join(QStringLiteral("; "));
}

Variant ValueOf(const PGresult* result, int row, int column)
{
    if (PQgetisnull(result, row, column))
        return {};
    const char* text = PQgetvalue(result, row, column);
    switch (PQftype(result, column)) {
        case kInt2:
        case kInt4:
        case kInt8:
        case kOid: return Variant(static_cast<qint64>(QByteArrayView(text).toLongLong()));
        case kFloat4:
        case kFloat8:
        case kNumeric: return Variant(QByteArrayView(text).toDouble());
        case kBool: return Variant(static_cast<qint64>(text[0] == 't' ? -1 : 0));
        default: return Variant(QString::fromUtf8(text, PQgetlength(result, row, column)));
    }
}

class PostgresqlBackend : public DatabaseBackend {
public:
    explicit PostgresqlBackend(const PostgresqlLogin& login) : login_(login)
    {
        conn_ = Connect(login);
        if (PQstatus(conn_) != CONNECTION_OK) {
            const QString message = QString::fromUtf8(PQerrorMessage(conn_));
            PQfinish(conn_);
            throw EngineError(
                EngineFailure::CannotOpen, message,
                QStringLiteral("Database PostgreSQL '%1' sul server '%2': il server non risponde, rifiuta "
                               "l'accesso o non ha quel database.")
                    .arg(login.database, login.host));
        }
        PQsetNoticeProcessor(
            conn_, [](void*, const char*) {}, nullptr);
        try {
            // Never blocked inside libpq: every wait is a poll that gives up.
            if (PQsetnonblocking(conn_, 1) != 0)
                throw connectionLost();
            run(QStringLiteral("SET standard_conforming_strings = on"));
            run(QStringLiteral("SET lock_timeout = '%1s'").arg(WaitSeconds(EngineWait::ServerLock)));
        } catch (...) {
            PQfinish(conn_);
            throw;
        }
    }

    ~PostgresqlBackend() override { PQfinish(conn_); }

    ResultSet query(const QString& sql) override
    {
        requireConnection();
        const bool resume = pipelined_;
        if (pipelined_)
            leavePipeline();
        ResultSet rows;
        const auto take = [&rows](const PGresult* result) {
            const int columns = PQnfields(result);
            if (rows.columns.isEmpty()) {
                for (int c = 0; c < columns; ++c)
                    rows.columns.append(QString::fromUtf8(PQfname(result, c)));
            }
            for (int r = 0; r < PQntuples(result); ++r) {
                std::vector<Variant> row;
                row.reserve(static_cast<size_t>(columns));
                for (int c = 0; c < columns; ++c)
                    row.push_back(ValueOf(result, r, c));
                rows.rows.push_back(std::move(row));
            }
        };
        take(run(sql, take).get());
        if (resume)
            enterPipeline();
        return rows;
    }

    void execute(const QString& sql) override
    {
        requireConnection();
        if (!pipelined_) {
            run(sql);
            return;
        }
        raiseFailure();
        const QByteArray text = sql.toUtf8();
        if (!PQsendQueryParams(conn_, text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0))
            throw connectionLost();
        ++sent_;
        flushAsked_ = false;
        while (collect(sent_ - answered_ >= kMaxInFlight)) {
        }
        raiseFailure();
    }

    void awaitStatements() override
    {
        requireConnection();
        while (collect(true)) {
        }
        raiseFailure();
    }

    void beginTransaction() override
    {
        requireConnection();
        run(QStringLiteral("BEGIN"));
        sent_ = answered_ = 0;
        failure_.reset();
        enterPipeline();
    }

    void commitTransaction() override
    {
        requireConnection();
        leavePipeline();
        raiseFailure();
        const Result result = run(QStringLiteral("COMMIT"));
        // A transaction the server had already aborted answers COMMIT with
        // ROLLBACK and no error: that must not pass for a commit.
        if (qstrcmp(PQcmdStatus(result.get()), "COMMIT") != 0)
            throw EngineError(EngineFailure::Other, QString::fromUtf8(PQcmdStatus(result.get())),
                              QStringLiteral("La transazione è stata annullata dal server."));
    }

    void rollbackTransaction() override
    {
        requireConnection();
        if (pipelined_)
            leavePipeline();
        failure_.reset();
        run(QStringLiteral("ROLLBACK"));
    }

private:
    RuntimeError failureOf(const PGresult* result) const
    {
        return ErrorOf(result, [this] { return LockHolders(login_, PQbackendPID(conn_)); });
    }

    RuntimeError connectionLost() const
    {
        return EngineError(EngineFailure::ConnectionLost, QString::fromUtf8(PQerrorMessage(conn_)));
    }

    // A connection given up on is closed at once: the server then drops the
    // transaction as soon as it runs again, and nothing waits for it here.
    void requireConnection() const
    {
        if (!conn_)
            throw *lost_;
    }

    // Waits until the socket is ready for what libpq needs, at most the answer wait.
    void waitForSocket(bool writing)
    {
        pollfd socket{PQsocket(conn_), static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
        int ready = 0;
        do {
            ready = poll(&socket, 1, answerWaitSeconds_ * 1000);
        } while (ready < 0 && errno == EINTR);
        if (ready > 0)
            return;
        const QString detail = ready == 0
            ? QStringLiteral("Il server non ha risposto per %1 secondi.").arg(answerWaitSeconds_)
            : QString();
        lost_.emplace(EngineError(EngineFailure::ConnectionLost, QString::fromUtf8(PQerrorMessage(conn_)), detail));
        PQfinish(conn_);
        conn_ = nullptr;
        throw *lost_;
    }

    // Sends everything libpq holds for the server.
    void flushAll()
    {
        for (;;) {
            const int flushed = PQflush(conn_);
            if (flushed < 0)
                throw connectionLost();
            if (flushed == 0)
                return;
            waitForSocket(true);
            if (!PQconsumeInput(conn_))
                throw connectionLost();
        }
    }

    // One statement, waiting for its answer: the first failure it gives, or
    // else its last result. With `row`, the rows of the answer go to it one
    // at a time as they arrive, and are turned into values while the server
    // still sends the next; the last result then holds the columns alone.
    Result run(const QString& sql, const std::function<void(const PGresult*)>& row = {})
    {
        const QByteArray text = sql.toUtf8();
        if (!PQsendQueryParams(conn_, text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0)
            || (row && !PQsetSingleRowMode(conn_)))
            throw connectionLost();
        flushAll();
        Result result;
        for (;;) {
            while (PQisBusy(conn_)) {
                waitForSocket(false);
                if (!PQconsumeInput(conn_))
                    throw connectionLost();
            }
            Result next(PQgetResult(conn_));
            if (!next)
                break;
            if (PQresultStatus(next.get()) == PGRES_SINGLE_TUPLE) {
                row(next.get());
                continue;
            }
            if (!result || PQresultStatus(result.get()) != PGRES_FATAL_ERROR)
                result = std::move(next);
        }
        if (!result)
            throw connectionLost();
        switch (PQresultStatus(result.get())) {
            case PGRES_COMMAND_OK:
            case PGRES_TUPLES_OK: return result;
            case PGRES_EMPTY_QUERY:
                throw EngineError(EngineFailure::Rejected, QString(),
                                  QStringLiteral("Il testo dell'istruzione è vuoto."));
            default:
                if (PQstatus(conn_) != CONNECTION_OK)
                    throw connectionLost();
                throw failureOf(result.get());
        }
    }

    void enterPipeline()
    {
        if (!PQenterPipelineMode(conn_))
            throw connectionLost();
        pipelined_ = true;
    }

    // Waits for every answer still due, then goes back to one statement at a time.
    void leavePipeline()
    {
        if (!PQpipelineSync(conn_))
            throw connectionLost();
        syncPending_ = true;
        while (syncPending_)
            collect(true);
        if (!PQexitPipelineMode(conn_))
            throw connectionLost();
        pipelined_ = false;
    }

    void raiseFailure() const
    {
        if (failure_)
            throw *failure_;
    }

    // Reads the next answer due, waiting for it if `wait`; false when there
    // is none (due, or arrived yet without waiting).
    bool collect(bool wait)
    {
        if (answered_ == sent_ && !syncPending_)
            return false;
        for (;;) {
            const int flushed = PQflush(conn_);
            if (flushed < 0 || !PQconsumeInput(conn_))
                throw connectionLost();
            if (!PQisBusy(conn_))
                break;
            if (!wait && flushed == 0)
                return false;
            // The server keeps its answers until its buffer fills or it is
            // asked for them: a Sync does that, otherwise a Flush must.
            if (!syncPending_ && !flushAsked_) {
                if (!PQsendFlushRequest(conn_))
                    throw connectionLost();
                flushAsked_ = true;
                continue;
            }
            waitForSocket(flushed != 0);
        }
        const Result result(PQgetResult(conn_));
        if (!result)
            throw connectionLost();
        const ExecStatusType status = PQresultStatus(result.get());
        if (status == PGRES_PIPELINE_SYNC) {
            syncPending_ = false;
            return true;
        }
        // Each statement's answer ends with an empty result.
        const Result end(PQgetResult(conn_));
        const quint64 statement = ++answered_;
        if (status == PGRES_FATAL_ERROR && !failure_)
            failure_.emplace(PQstatus(conn_) == CONNECTION_OK ? failureOf(result.get()) : connectionLost(), statement);
        return true;
    }

    PostgresqlLogin login_;
    PGconn* conn_ = nullptr;
    // How long the server may leave a statement or the next part of an
    // answer unanswered before the connection counts as lost: a server that
    // stops answering (a stopped or hung machine) would otherwise hold the run
    // for ever, and keepalives do not notice it while the machine's kernel
    // answers. Statements that wait for a lock give up well before it.
    int answerWaitSeconds_ = WaitSeconds(EngineWait::Answer);
    // Why the connection was given up on, once it was.
    std::optional<RuntimeError> lost_;
    bool pipelined_ = false;
    bool syncPending_ = false;
    bool flushAsked_ = false;
    quint64 sent_ = 0;
    quint64 answered_ = 0;
    std::optional<StatementError> failure_;
};

}  // namespace

std::unique_ptr<DatabaseBackend> OpenPostgresqlDatabase(const PostgresqlLogin& login)
{
    return std::make_unique<PostgresqlBackend>(login);
}
