#include "servers/mariadb_server.h"

#include <csignal>

MariadbServer::MariadbServer(const QStringList& options)
{
    const QString data = process_.filePath(QStringLiteral("data"));
    // Temporary tables in the server's own folder: in a shared /tmp their
    // names, made from the process number, clash with other servers'.
    const QString temporary = QStringLiteral("--tmpdir=") + process_.folder();
    process_.runSetup(QStringLiteral("mariadb-install-db"),
                      {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data, temporary,
                       QStringLiteral("--auth-root-authentication-method=normal"), QStringLiteral("--skip-test-db"),
                       QStringLiteral("--lower-case-table-names=1")});
    process_.start(QStringLiteral("mariadbd"),
                   QStringList{QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data, temporary,
                               QStringLiteral("--socket=") + socketPath(), QStringLiteral("--skip-networking"),
                               QStringLiteral("--pid-file=") + process_.filePath(QStringLiteral("mariadb.pid")),
                               QStringLiteral("--innodb-buffer-pool-size=32M"), QStringLiteral("--skip-log-bin"),
                               QStringLiteral("--lower-case-table-names=1")}
                       + options);
    process_.waitUntil([this] {
        QProcess ping;
        ping.start(QStringLiteral("mariadb-admin"),
                   {QStringLiteral("--no-defaults"), QStringLiteral("-S"), socketPath(), QStringLiteral("-u"),
                    QStringLiteral("root"), QStringLiteral("ping")});
        return ping.waitForFinished() && ping.exitCode() == 0;
    });
    RunClient(QStringLiteral("mariadb"),
              {QStringLiteral("--no-defaults"), QStringLiteral("-S"), socketPath(), QStringLiteral("-u"),
               QStringLiteral("root"), QStringLiteral("-e"),
               QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4;"
                              "CREATE USER '%2'@'localhost' IDENTIFIED BY '%3';"
                              "GRANT ALL ON %1.* TO '%2'@'localhost';")
                   .arg(database(), user(), password())});
}

MariadbServer::~MariadbServer()
{
    process_.stop(SIGTERM);
}

QString MariadbServer::client(const QStringList& arguments) const
{
    return RunClient(
        QStringLiteral("mariadb"),
        QStringList{QStringLiteral("--no-defaults"), QStringLiteral("-S"), socketPath(), QStringLiteral("-u"),
                    QStringLiteral("root"), QStringLiteral("--default-character-set=utf8mb4"), database()}
            + arguments);
}

void MariadbServer::exec(const QString& sql) const
{
    client({QStringLiteral("-e"), sql});
}

QStringList MariadbServer::rows(const QString& sql) const
{
    // The client's batch output escapes line breaks, tabs and backslashes
    // inside values; undone here, texts come back exactly.
    QStringList result;
    for (const QString& line : client({QStringLiteral("-N"), QStringLiteral("-B"), QStringLiteral("-e"), sql})
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QString row;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (c == QLatin1Char('\t')) {
                row += QLatin1Char('|');
            } else if (c == QLatin1Char('\\') && i + 1 < line.size()) {
                const QChar escaped = line.at(++i);
                row += escaped == QLatin1Char('n') ? QChar(QLatin1Char('\n'))
                    : escaped == QLatin1Char('t')  ? QChar(QLatin1Char('\t'))
                    : escaped == QLatin1Char('0')  ? QChar(0)
                                                   : escaped;
            } else {
                row += c;
            }
        }
        result.append(row);
    }
    return result;
}
