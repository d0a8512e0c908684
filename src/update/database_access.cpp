#include "database_access.h"

#include "connection_string.h"
#include "database_file.h"
#include "read_only_formats.h"
#include "runtime_error.h"
#include "sqlite_backend.h"
#include "windows_path.h"
#include "writable_jet_backend.h"

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

// The file-based providers: the file's header decides the engine, whatever
// its name ends with. The name is a Windows path of the installation.
std::unique_ptr<DatabaseBackend> OpenDatabaseFile(const ConnectionString& settings)
{
    const QString windowsPath = settings.value(QStringLiteral("Data Source"));
    const QString path = LinuxPathOf(windowsPath);
    const auto named = [&](const QString& message) {
        const QString where = path == windowsPath ? QStringLiteral("'%1'").arg(path)
                                                  : QStringLiteral("'%1' (percorso Linux: '%2')").arg(windowsPath, path);
        return RuntimeError(ErrorNumber::Failure, message.arg(where));
    };
    switch (DetectDatabaseFile(path)) {
    case DatabaseFileKind::Jet3:
        return OpenReadOnlyJetDatabase(path, QStringLiteral("Jet 3 (Access 97)"));
    case DatabaseFileKind::Jet4:
        return OpenWritableJetDatabase(path, settings.value(QStringLiteral("Jet OLEDB:Database Password")));
    case DatabaseFileKind::Ace:
        return OpenReadOnlyJetDatabase(path, QStringLiteral("ACE (Access 2007 e successivi)"));
    case DatabaseFileKind::Sqlite3:
        return OpenSqliteDatabase(path);
    case DatabaseFileKind::Missing:
        throw named(QStringLiteral("Impossibile trovare il file di database %1."));
    case DatabaseFileKind::Folder:
        throw named(QStringLiteral("Il percorso del database %1 è una cartella, non un file di database."));
    case DatabaseFileKind::Unreadable:
        throw named(QStringLiteral("Impossibile aprire il file di database %1: accesso negato."));
    case DatabaseFileKind::Unknown:
        break;
    }
    throw named(QStringLiteral("Il file %1 non è un database in un formato riconosciuto."));
}

struct Provider {
    const char* name;
    bool namePrefix;  // the name stands for a family of versions
    std::unique_ptr<DatabaseBackend> (*open)(const ConnectionString&);
};

// Which engine serves which "Provider=" keyword, compared without case.
const Provider kProviders[] = {
    {"Microsoft.Jet.OLEDB.4.0", false, OpenDatabaseFile},
    {"Microsoft.ACE.OLEDB.", true, OpenDatabaseFile},
};

const Provider* FindProvider(const QString& name)
{
    for (const Provider& provider : kProviders) {
        const QString known = QString::fromLatin1(provider.name);
        const bool matches = provider.namePrefix ? name.startsWith(known, Qt::CaseInsensitive)
                                                 : name.compare(known, Qt::CaseInsensitive) == 0;
        if (matches)
            return &provider;
    }
    return nullptr;
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
    if (session_)
        throw ObjectOpen();
    const ConnectionString settings = ConnectionString::parse(connectionString);
    const Provider* provider = FindProvider(settings.value(QStringLiteral("Provider")).trimmed());
    if (!provider)
        throw RuntimeError(ErrorNumber::ProviderNotFound,
                           QStringLiteral("Impossibile trovare il provider. Potrebbe non essere installato correttamente."));
    auto session = std::make_shared<DatabaseSession>();
    session->backend = provider->open(settings);
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

void Recordset::open(const QString& source, Connection& connection)
{
    if (isOpen())
        throw ObjectOpen();
    DatabaseSession& session = connection.session();
    rows_ = session.backendFor(source).query(source);
    columnIndex_.clear();
    session_ = connection.session_;
    position_ = 0;
    open_ = true;
}

void Recordset::close()
{
    requireOpen();
    open_ = false;
    rows_ = {};
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
    if (rows_.rows.empty())
        throw NoCurrentRecord();
}

void Recordset::requireCurrentRow() const
{
    requireOpen();
    if (position_ >= rows_.rows.size())
        throw NoCurrentRecord();
}

bool Recordset::eof() const
{
    requireOpen();
    return position_ >= rows_.rows.size();
}

void Recordset::moveFirst()
{
    requireRows();
    position_ = 0;
}

void Recordset::moveLast()
{
    requireRows();
    position_ = rows_.rows.size() - 1;
}

void Recordset::moveNext()
{
    requireCurrentRow();
    ++position_;
}

std::int32_t Recordset::recordCount() const
{
    requireOpen();
    return static_cast<std::int32_t>(rows_.rows.size());
}

Variant Recordset::field(const QString& name) const
{
    requireCurrentRow();
    // Every row asks for the same names: find each one once.
    auto known = columnIndex_.constFind(name);
    if (known == columnIndex_.cend()) {
        qsizetype i = 0;
        while (i < rows_.columns.size() && rows_.columns.at(i).compare(name, Qt::CaseInsensitive) != 0)
            ++i;
        if (i == rows_.columns.size())
            throw RuntimeError(ErrorNumber::ItemNotFound,
                               QStringLiteral("Impossibile trovare l'elemento nell'insieme corrispondente al nome o al "
                                              "numero richiesto."));
        known = columnIndex_.insert(name, i);
    }
    return rows_.rows[position_][static_cast<std::size_t>(*known)];
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
