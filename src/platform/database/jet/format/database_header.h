#pragma once

#include <QByteArray>
#include <QDateTime>
#include <optional>

// Jet keeps a moment as the days since 1899-12-30, the fraction being the time of day.
double JetDateTime(const QDateTime& moment);

// Page 0: the engine's signature, the Jet 4 version, the code page and sort
// order, the database password (at most 20 characters; none when empty), no
// page encryption, the creation date. Part of it is scrambled with RC4 under
// a fixed key, as every Jet 4 file has it.
QByteArray DatabaseHeaderPage(const QDateTime& created, const QString& password = QString());

// Page 1: the file's own page map, in which Access marks the pages past the
// end of the file as free.
QByteArray GlobalUsageMapPage(quint32 pageCount);

// What page 0 of an existing Jet 4 file says about how to open it.
struct DatabaseHeader {
    QByteArray encodingKey;  // 4 bytes, all zero when the pages are not encrypted
    QString password;        // empty when the database has none
    quint32 sortOrder = 0;
};

// Empty when the page is not the header of a Jet 4 file.
std::optional<DatabaseHeader> ReadDatabaseHeader(QByteArray page);
