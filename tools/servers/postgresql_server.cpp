#include "servers/postgresql_server.h"

#include <unistd.h>
#include <QFile>
#include <csignal>

namespace {

QString Tool(const char* name)
{
    return QStringLiteral("/usr/lib/postgresql/15/bin/") + QLatin1String(name);
}

// Field and record separators that no test value holds, so that line breaks
// and "|" inside texts come back whole.
const QString kFieldSeparator = QStringLiteral("\x1f");
const QString kRecordSeparator = QStringLiteral("\x1e");

}  // namespace

PostgresqlServer::PostgresqlServer(const QStringList& settings)
{
    const QString passwordFile = process_.filePath(QStringLiteral("password"));
    {
        QFile file(passwordFile);
        file.open(QIODevice::WriteOnly);
        file.write(password().toUtf8() + '\n');
    }
    if (geteuid() == 0)
        RunClient(QStringLiteral("chown"), {QStringLiteral("nobody:nogroup"), passwordFile});
    process_.runSetup(
        Tool("initdb"),
        {QStringLiteral("-D"), process_.filePath(QStringLiteral("data")), QStringLiteral("-U"), superuser(),
         QStringLiteral("--pwfile=") + passwordFile, QStringLiteral("--auth=scram-sha-256"), QStringLiteral("-E"),
         QStringLiteral("UTF8"), QStringLiteral("--no-locale"), QStringLiteral("--no-sync")});
    QStringList arguments{QStringLiteral("-D"), process_.filePath(QStringLiteral("data")),
                          QStringLiteral("-k"), socketFolder(),
                          QStringLiteral("-p"), port(),
                          QStringLiteral("-c"), QStringLiteral("listen_addresses="),
                          QStringLiteral("-c"), QStringLiteral("fsync=off")};
    for (const QString& setting : settings)
        arguments << QStringLiteral("-c") << setting;
    process_.start(Tool("postgres"), arguments);
    process_.waitUntil([this] {
        QProcess ready;
        ready.start(QStringLiteral("pg_isready"),
                    {QStringLiteral("-q"), QStringLiteral("-h"), socketFolder(), QStringLiteral("-p"), port()});
        return ready.waitForFinished() && ready.exitCode() == 0;
    });
}

PostgresqlServer::~PostgresqlServer()
{
    process_.stop(SIGINT);  // fast shutdown: sessions ended, no checkpoint wait
}

QString PostgresqlServer::psql(const QString& database, const QStringList& arguments) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), password());
    return RunClient(
        Tool("psql"),
        QStringList{QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                    QStringLiteral("-h"), socketFolder(), QStringLiteral("-p"), port(), QStringLiteral("-U"),
                    superuser(), QStringLiteral("-d"), database}
            + arguments,
        environment);
}

void PostgresqlServer::exec(const QString& database, const QString& sql) const
{
    psql(database, {QStringLiteral("-c"), sql});
}

QStringList PostgresqlServer::rows(const QString& database, const QString& sql) const
{
    const QString output =
        psql(database,
             {QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-F"), kFieldSeparator, QStringLiteral("-R"),
              kRecordSeparator, QStringLiteral("-P"), QStringLiteral("null=NULL"), QStringLiteral("-c"), sql});
    // psql ends its output with a line break of its own.
    QStringList result;
    for (const QString& record :
         output.chopped(output.endsWith(QLatin1Char('\n')) ? 1 : 0).split(kRecordSeparator, Qt::SkipEmptyParts))
        result.append(QString(record).replace(kFieldSeparator, QStringLiteral("|")));
    return result;
}

void PostgresqlServer::createDatabase(const QString& name) const
{
    exec(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
}
