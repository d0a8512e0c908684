#pragma once

#include "platform/database/jet/format/jet_format.h"

#include <QByteArray>
#include <QDateTime>
#include <optional>

// Page 0, the header of the file.
//
//   offset  size  meaning
//   0       1     kDatabaseHeaderPageType
//   1       1     kPageMarker
//   4       16    "Standard Jet DB" and a zero byte
//   0x14    1     kJet4Version (0 for Jet 3)
//   0x18    128   scrambled with RC4 under kHeaderKey, the fields below included
//                 (Jet 3: 126 bytes):
//   0x3a    2     Jet 3 only: sort order
//   0x3c    2     code page
//   0x3e    4     the key of the pages' encryption; 0 when they are not encrypted
//   0x42    40    the database password in UCS-2, masked four bytes at a time
//                 with the whole days of the creation date
//   0x6e    4     sort order
//   0x72    8     creation date, days since 1899-12-30
//   0x98    7     written by Access 2000 to 2003 in every file; meaning unknown
// Jet 3 keeps its password unmasked in 20 bytes at 0x42, one byte a
// character in the file's code page, and no creation date.
constexpr qsizetype kSignatureOffset = 0x04;
constexpr qsizetype kVersionOffset = 0x14;
constexpr quint8 kJet4Version = 0x01;
constexpr qsizetype kScrambledStart = 0x18;
constexpr qsizetype kScrambledSize = 128;
constexpr qsizetype kJet3ScrambledSize = 126;
constexpr qsizetype kJet3SortOrderOffset = 0x3a;
constexpr qsizetype kCodePageOffset = 0x3c;
constexpr qsizetype kEncodingKeyOffset = 0x3e;
constexpr qsizetype kEncodingKeySize = 4;
constexpr qsizetype kPasswordOffset = 0x42;
constexpr qsizetype kPasswordSize = 40;
constexpr qsizetype kJet3PasswordSize = 20;
constexpr qsizetype kSortOrderOffset = 0x6e;
constexpr qsizetype kCreationDateOffset = 0x72;
constexpr qsizetype kAccessTrailerOffset = 0x98;

// Jet keeps a moment as the days since 1899-12-30, the fraction being the time of day.
double JetDateTime(const QDateTime& moment);

// The header of a new file: Western code page, General sort order, the
// database password (at most 20 characters; none when empty; in Jet 3,
// characters of Windows-1252 only: throws JetWriteError for another), no
// page encryption.
QByteArray DatabaseHeaderPage(const QDateTime& created, const QString& password = QString(),
                              JetVersion version = JetVersion::Jet4);

// What page 0 of an existing Jet file says about how to open it.
struct DatabaseHeader {
    JetVersion version = JetVersion::Jet4;
    QByteArray encodingKey;  // 4 bytes, all zero when the pages are not encrypted
    QString password;        // empty when the database has none
    quint32 sortOrder = 0;
    quint16 codePage = 0;  // of Jet 3's texts; Jet 4 keeps its texts in UCS-2
};

// Empty when the page is not the header of a Jet 3 or Jet 4 file. `page`
// holds at least the first 2048 bytes of the file.
std::optional<DatabaseHeader> ReadDatabaseHeader(QByteArray page);
