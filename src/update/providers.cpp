#include "update/providers.h"

#include "platform/database/database_file.h"
#include "platform/database/jet/in_place/writable_jet_backend.h"
#include "platform/database/jet/read_only_formats.h"
#include "platform/database/odbc/odbc_backend.h"
#include "platform/database/odbc/odbc_connection_text.h"
#include "platform/database/postgresql/postgresql_backend.h"
#include "platform/database/sqlite/sqlite_backend.h"
#include "platform/database/sqlserver/freetds_connection.h"
#include "platform/paths/windows_path.h"
#include "platform/runtime/runtime_error.h"

#include <QFileInfo>

namespace {

// A file that is missing behind a link is to be put where the link points:
// the package links the program's Abicab.mdb to the administrator's file.
QString MissingLinkTarget(const QString& path)
{
    const QFileInfo link(path);
    if (!link.isSymLink())
        return {};
    return QStringLiteral(" Il file va messo in '%1'.").arg(link.symLinkTarget());
}

// The file-based providers: the file's header decides the engine, whatever
// its name ends with. `path` is the file on this machine; `writtenPath` is
// how the user named it, shown beside it when the two differ.
std::unique_ptr<DatabaseBackend> OpenDatabaseFileAt(const QString& path, const QString& writtenPath,
                                                    const QString& password)
{
    const QString where = path == writtenPath ? QStringLiteral("'%1'").arg(path)
                                              : QStringLiteral("'%1' (percorso Linux: '%2')").arg(writtenPath, path);
    const auto named = [&](const QString& message, const QString& advice = {}) {
        return RuntimeError(ErrorNumber::Failure, message.arg(where) + advice);
    };
    switch (DetectDatabaseFile(path)) {
        case DatabaseFileKind::Jet3:
        case DatabaseFileKind::Jet4: return OpenWritableJetDatabase(path, password);
        case DatabaseFileKind::Ace:
            return OpenReadOnlyJetDatabase(path, QStringLiteral("ACE (Access 2007 e successivi)"));
        case DatabaseFileKind::Sqlite3: return OpenSqliteDatabase(path);
        case DatabaseFileKind::Missing:
            throw named(QStringLiteral("Impossibile trovare il file di database %1."), MissingLinkTarget(path));
        case DatabaseFileKind::Folder:
            throw named(QStringLiteral("Il percorso del database %1 è una cartella, non un file di database."));
        case DatabaseFileKind::Unreadable:
            throw named(QStringLiteral("Impossibile aprire il file di database %1: accesso negato."));
        case DatabaseFileKind::Unknown: break;
    }
    throw named(QStringLiteral("Il file %1 non è un database in un formato riconosciuto."));
}

// The name is a Windows path of the installation.
std::unique_ptr<DatabaseBackend> OpenDatabaseFile(const ConnectionString& settings)
{
    const QString windowsPath = settings.value(QStringLiteral("Data Source"));
    return OpenDatabaseFileAt(LinuxPathOf(windowsPath), windowsPath,
                              settings.value(QStringLiteral("Jet OLEDB:Database Password")));
}

std::unique_ptr<DatabaseBackend> OpenPostgresql(const ConnectionString& settings)
{
    return OpenPostgresqlDatabase({settings.firstOf({"Data Source", "Server", "Host"}),
                                   settings.value(QStringLiteral("Port")),
                                   settings.firstOf({"Initial Catalog", "Database"}),
                                   settings.firstOf({"User ID", "UID"}), settings.firstOf({"Password", "PWD"})});
}

// Every keyword but the provider goes to the driver as it is. psqlODBC as
// Debian installs it logs each connection into a file in /tmp; the tool
// leaves no files behind unless the profile asks for the logs.
std::unique_ptr<DatabaseBackend> OpenOdbc(const ConnectionString& settings)
{
    QString text;
    for (const auto& [keyword, value] : settings.pairs()) {
        if (keyword.compare(QLatin1String("Provider"), Qt::CaseInsensitive) != 0)
            text += OdbcAttribute(keyword, value);
    }
    const bool logsAsked = settings.contains(QStringLiteral("CommLog")) || settings.contains(QStringLiteral("Debug"));
    if (!logsAsked)
        text += OdbcAttribute(QStringLiteral("CommLog"), QStringLiteral("0"))
            + OdbcAttribute(QStringLiteral("Debug"), QStringLiteral("0"));
    return OpenOdbcDatabase(text, logsAsked);
}

bool Says(const QString& value, const char* word)
{
    return value.trimmed().compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<DatabaseBackend> OpenSqlServer(const ConnectionString& settings)
{
    const QString integrated = settings.value(QStringLiteral("Integrated Security"));
    const QString trusted = settings.value(QStringLiteral("Trusted_Connection"));
    SqlServerLogin login{settings.firstOf({"Data Source", "Server"}), settings.firstOf({"Initial Catalog", "Database"}),
                         settings.firstOf({"User ID", "UID"}), settings.firstOf({"Password", "PWD"}),
                         Says(integrated, "SSPI") || Says(integrated, "true") || Says(integrated, "yes")
                             || Says(trusted, "yes") || Says(trusted, "true")};
    return OpenOdbcDatabase(FreeTdsConnectionText(login));
}

struct Provider {
    const char* name;
    bool namePrefix;  // the name stands for a family of versions
    std::unique_ptr<DatabaseBackend> (*open)(const ConnectionString&);
};

// Which engine serves which "Provider=" keyword, compared without case; a
// name may also carry its version (SQLOLEDB.1, MSDASQL.1).
const Provider kProviders[] = {
    {"Microsoft.Jet.OLEDB.4.0", false, OpenDatabaseFile},
    {"Microsoft.ACE.OLEDB.", true, OpenDatabaseFile},
    {"PostgreSQL", false, OpenPostgresql},
    {"PGNP", false, OpenPostgresql},
    {"PostgreSQL OLE DB Provider", false, OpenPostgresql},
    {"MSDASQL", false, OpenOdbc},
    {"SQLOLEDB", false, OpenSqlServer},
    {"SQLNCLI", false, OpenSqlServer},
    {"SQLNCLI10", false, OpenSqlServer},
    {"SQLNCLI11", false, OpenSqlServer},
    {"MSOLEDBSQL", false, OpenSqlServer},
    {"MSOLEDBSQL19", false, OpenSqlServer},
};

bool IsVersionSuffix(QStringView rest)
{
    if (rest.size() < 2 || rest.front() != QLatin1Char('.'))
        return false;
    for (const QChar c : rest.mid(1)) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

const Provider* FindProvider(const QString& name)
{
    for (const Provider& provider : kProviders) {
        const QString known = QString::fromLatin1(provider.name);
        if (!name.startsWith(known, Qt::CaseInsensitive))
            continue;
        const QStringView rest = QStringView(name).mid(known.size());
        if (provider.namePrefix || rest.isEmpty() || IsVersionSuffix(rest))
            return &provider;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<DatabaseBackend> OpenProvider(const ConnectionString& settings)
{
    const QString name = settings.value(QStringLiteral("Provider")).trimmed();
    // Without a provider, an ODBC data source or driver says it is ODBC's.
    if (name.isEmpty() && (settings.contains(QStringLiteral("DSN")) || settings.contains(QStringLiteral("Driver"))))
        return OpenOdbc(settings);
    const Provider* provider = FindProvider(name);
    if (!provider) {
        throw RuntimeError(ErrorNumber::ProviderNotFound,
                           name.isEmpty() ? QStringLiteral("Impossibile trovare il provider: la stringa di connessione "
                                                           "non ne indica alcuno.")
                                          : QStringLiteral("Impossibile trovare il provider '%1'. Potrebbe non essere "
                                                           "installato correttamente.")
                                                .arg(name));
    }
    return provider->open(settings);
}

std::unique_ptr<DatabaseBackend> OpenLocalDatabaseFile(const QString& path)
{
    return OpenDatabaseFileAt(path, path, {});
}
