#include "update/database_access.h"

#include "platform/runtime/runtime_error.h"
#include "update/providers.h"

namespace {

RuntimeError ObjectClosed()
{
    return {ErrorNumber::ObjectClosed, QStringLiteral("Operazione non consentita se l'oggetto è chiuso.")};
}

RuntimeError ObjectOpen()
{
    return {ErrorNumber::ObjectOpen, QStringLiteral("Operazione non consentita se l'oggetto è aperto.")};
}

RuntimeError NoActiveConnection()
{
    return {ErrorNumber::NoActiveConnection,
            QStringLiteral("La connessione non può essere utilizzata per eseguire l'operazione. "
                           "È chiusa o non è valida in questo contesto.")};
}

RuntimeError NoCurrentRecord()
{
    return {ErrorNumber::NoCurrentRecord,
            QStringLiteral("BOF o EOF è True oppure il record corrente è stato eliminato. "
                           "L'operazione richiesta richiede un record corrente.")};
}

}  // namespace

DatabaseBackend& DatabaseSession::backendFor(const QString& sql)
{
    if (trace)
        trace(sql);
    return *backend;
}

QString FileConnectionString(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path + QStringLiteral(";;");
}

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::open(const QString& connectionString)
{
    start([&] { return OpenProvider(ConnectionString::parse(connectionString)); });
}

void Connection::openFile(const QString& path)
{
    start([&] { return OpenLocalDatabaseFile(path); });
}

void Connection::start(const std::function<std::unique_ptr<DatabaseBackend>()>& openBackend)
{
    if (session_)
        throw ObjectOpen();
    auto session = std::make_shared<DatabaseSession>();
    session->backend = openBackend();
    session->trace = trace_;
    session_ = std::move(session);
}

void Connection::close()
{
    if (!session_)
        throw ObjectClosed();
    session_.reset();
}

void Connection::setTrace(std::function<void(const QString&)> trace)
{
    trace_ = std::move(trace);
    if (session_)
        session_->trace = trace_;
}

DatabaseSession& Connection::session()
{
    if (!session_)
        throw ObjectClosed();
    return *session_;
}

void Connection::beginTransaction()
{
    session().backend->beginTransaction();
}

void Connection::commitTransaction()
{
    session().backend->commitTransaction();
}

void Connection::rollbackTransaction()
{
    session().backend->rollbackTransaction();
}

void Connection::awaitStatements()
{
    session().backend->awaitStatements();
}

void Connection::requireRollback(const QStringList& tables)
{
    session().backend->requireRollback(tables);
}

QByteArray Connection::changeMark()
{
    return session().backend->changeMark();
}

bool Connection::typesValuesPerRow()
{
    return session().backend->typesValuesPerRow();
}

std::optional<std::vector<QStringList>> Connection::copyRowsToSqliteFile(
    const QString& file, const std::vector<DatabaseBackend::RowCopy>& copies)
{
    // Traced once the engine has taken them: one that cannot copy sends nothing.
    DatabaseSession& copying = session();
    const auto sent = [&] {
        if (copying.trace) {
            for (const DatabaseBackend::RowCopy& copy : copies)
                copying.trace(copy.select());
        }
    };
    try {
        std::optional<std::vector<QStringList>> columns = copying.backend->copyRowsToSqliteFile(file, copies);
        if (columns)
            sent();
        return columns;
    } catch (const RuntimeError&) {
        sent();
        throw;
    }
}

void Recordset::open(const QString& source, Connection& connection)
{
    if (isOpen())
        throw ObjectOpen();
    DatabaseSession& session = connection.session();
    rows_ = std::make_shared<ResultSet>(session.backendFor(source).query(source));
    columnIndex_.clear();
    session_ = connection.session_;
    position_ = 0;
    open_ = true;
}

void Recordset::close()
{
    requireOpen();
    open_ = false;
    rows_.reset();
    columnIndex_.clear();
}

bool Recordset::isOpen() const
{
    return open_ && !session_.expired();
}

void Recordset::requireOpen() const
{
    if (!isOpen())
        throw ObjectClosed();
}

void Recordset::requireRows() const
{
    requireOpen();
    if (rows_->rows.empty())
        throw NoCurrentRecord();
}

void Recordset::requireCurrentRow() const
{
    requireOpen();
    if (position_ >= rows_->rows.size())
        throw NoCurrentRecord();
}

bool Recordset::eof() const
{
    requireOpen();
    return position_ >= rows_->rows.size();
}

void Recordset::moveFirst()
{
    requireRows();
    position_ = 0;
}

void Recordset::moveLast()
{
    requireRows();
    position_ = rows_->rows.size() - 1;
}

void Recordset::moveNext()
{
    requireCurrentRow();
    ++position_;
}

std::int32_t Recordset::recordCount() const
{
    requireOpen();
    return static_cast<std::int32_t>(rows_->rows.size());
}

Variant Recordset::field(const QString& name) const
{
    requireCurrentRow();
    // Every row asks for the same few names, written the same way: each is
    // matched without regard to case once, then found by its exact text,
    // mostly held in the very string that asked before.
    const std::vector<Variant>& row = rows_->rows[position_];
    for (const auto& [asked, index] : columnIndex_) {
        if (asked.constData() == name.constData() && asked.size() == name.size())
            return row[static_cast<std::size_t>(index)];
    }
    for (const auto& [asked, index] : columnIndex_) {
        if (asked == name)
            return row[static_cast<std::size_t>(index)];
    }
    qsizetype i = 0;
    while (i < rows_->columns.size() && rows_->columns.at(i).compare(name, Qt::CaseInsensitive) != 0)
        ++i;
    if (i == rows_->columns.size())
        throw RuntimeError(ErrorNumber::ItemNotFound,
                           QStringLiteral("Impossibile trovare l'elemento nell'insieme corrispondente al nome o al "
                                          "numero richiesto."));
    columnIndex_.emplace_back(name, i);
    return row[static_cast<std::size_t>(i)];
}

const ResultSet& Recordset::allRows() const
{
    requireOpen();
    return *rows_;
}

std::shared_ptr<const ResultSet> Recordset::sharedRows() const
{
    requireOpen();
    return rows_;
}

std::vector<std::vector<Variant>> Recordset::takeRows()
{
    requireOpen();
    position_ = 0;
    // Rows another holder still reads are copied, not taken from under it.
    if (rows_.use_count() > 1) {
        std::vector<std::vector<Variant>> copy = rows_->rows;
        rows_ = std::make_shared<ResultSet>(ResultSet{rows_->columns, {}});
        return copy;
    }
    return std::exchange(rows_->rows, {});
}

void Command::setActiveConnection(Connection& connection)
{
    session_ = connection.session_;
    if (session_.expired())
        throw NoActiveConnection();
}

void Command::execute()
{
    const std::shared_ptr<DatabaseSession> session = session_.lock();
    if (!session)
        throw NoActiveConnection();
    session->backendFor(text_).execute(text_);
}
