#pragma once

#include "support/source_databases.h"
#include "support/sqlite_file.h"
#include "support/temporary_prefix.h"

#include <QMap>
#include <QTemporaryDir>

// A Corvanta installation of the test's own: a Wine prefix whose per-user
// store holds the profile "Corvanta", a file profile ("(Nessuno)") whose
// procedure database is an SQLite file at C:\Corvanta\Dati\ARCPROC.db with
// release 12 and a few codes on both sides of 1000, and a program folder for
// Abicab.mdb. The profile globals and the open-keys table start empty.
class TestInstallation {
public:
    TestInstallation();
    ~TestInstallation();
    TestInstallation(const TestInstallation&) = delete;
    TestInstallation& operator=(const TestInstallation&) = delete;

    // Sets (or, with a null text, leaves out) the settings of a per-user profile.
    void writeProfile(const QString& profile, const QMap<QString, QString>& settings) const;
    // The password of a file profile's procedure database, where Corvanta keeps it.
    void writePassword(const QString& profile, const QString& password) const;

    // Abicab.mdb in the program folder, with the given tables.
    void writeSource(const std::vector<JetTable>& tables) const;
    // Two banks and two branches from ABI 1000 up: a run can be repeated.
    void writeTypicalSource() const;

    const QString& programFolder() const { return programFolder_; }
    const SqliteFile& procedureDatabase() const { return procedureDatabase_; }
    QByteArray procedureDatabaseBytes() const;

    const TemporaryPrefix& prefix() const { return prefix_; }

private:
    TemporaryPrefix prefix_;
    QTemporaryDir program_;
    QString programFolder_;
    SqliteFile procedureDatabase_;
};

// The per-user settings of the profile "Corvanta" that TestInstallation writes.
QMap<QString, QString> FileProfileSettings();
