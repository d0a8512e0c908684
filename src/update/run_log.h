#pragma once

#include <QDateTime>
#include <QString>

// The run log: one line per run, window or terminal, completed or not, in
// the state folder ("storico.log"), fields separated by tabs.
struct RunLogEntry {
    QDateTime started;  // UTC
    QString user;
    QString profile;
    QString destination;  // as WithoutPasswords gives it
    QString sourceDigest;
    QString outcome;
    int errorLine = 0;  // 0 without an error
    qint32 errorNumber = 0;
    QString counts;
    qint64 durationMs = 0;
};

QString RunLogPath();

// Appends the entry; raises RuntimeError in Italian when the log cannot be written.
void AppendRunLog(const RunLogEntry& entry);

// The log as it stands, with a header line; empty when no run was logged yet.
QString ReadRunLog();

// A connection text without the values of its password keywords.
QString WithoutPasswords(const QString& connectionText);

// The name of the user the program runs as.
QString CurrentUserName();
