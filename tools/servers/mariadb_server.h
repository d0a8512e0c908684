#pragma once

#include "servers/server_process.h"

#include <QStringList>

// A MariaDB server of the test's own: a new data folder in a temporary
// folder, reached only through a unix socket there, with one database and
// a user who logs in by password. Table names compare without case, as on
// the Windows servers a Corvanta installation uses. `options` are further
// server options ("--sql-mode=" for a server without strict mode).
class MariadbServer {
public:
    explicit MariadbServer(const QStringList& options = {});
    ~MariadbServer();

    QString socketPath() const { return process_.filePath(QStringLiteral("mariadb.sock")); }
    QString database() const { return QStringLiteral("arcproc"); }
    QString user() const { return QStringLiteral("corvanta"); }
    QString password() const { return QStringLiteral("Segreta1"); }

    // Runs SQL through the mariadb client on the database, stopping at the first error.
    void exec(const QString& sql) const;
    // Every row of a query, values joined by "|", Null written as NULL.
    QStringList rows(const QString& sql) const;

private:
    QString client(const QStringList& arguments) const;

    ServerProcess process_;
};
