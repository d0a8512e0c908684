#pragma once

#include "servers/server_process.h"

#include <QStringList>

// A PostgreSQL 15 server of the test's own: a new cluster in a temporary
// folder, reached only through a unix socket there, every login by password.
// `settings` are server settings ("standard_conforming_strings=off") that
// the test wants in force for every session.
class PostgresqlServer {
public:
    explicit PostgresqlServer(const QStringList& settings = {});
    ~PostgresqlServer();

    QString socketFolder() const { return process_.folder(); }
    QString port() const { return QStringLiteral("5432"); }
    QString superuser() const { return QStringLiteral("postgres"); }
    QString password() const { return QStringLiteral("Segreta'1\\"); }

    // Runs SQL through psql on a database, stopping at the first error.
    void exec(const QString& database, const QString& sql) const;
    // Every row of a query, values joined by "|", Null written as NULL.
    QStringList rows(const QString& database, const QString& sql) const;
    // A new database, empty, owned by the superuser.
    void createDatabase(const QString& name) const;
    // Sends a signal to the postmaster and every server process (SIGSTOP, SIGCONT).
    void signalAll(int signal) const { process_.signalAll(signal); }

private:
    QString psql(const QString& database, const QStringList& arguments) const;

    ServerProcess process_;
};
