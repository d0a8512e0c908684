#pragma once

#include <QByteArray>
#include <QString>

// The lock file Jet keeps beside a database it has open shared (NAME.ldb
// for NAME.mdb), and the byte ranges its clients lock in it.
//
//   Contents: one 64-byte entry a user, up to 255 users, nothing else.
//     offset  size  field
//     0       32    computer name, ANSI, padded with NULs
//     32      32    security (user) name, ANSI, padded with NULs ("Admin"
//                   when the database has no workgroup security)
//   Entry n (from 0) belongs to the client holding user slot n + 1.
//
//   Byte-range locks (the file is far shorter: the ranges are beyond its end):
//     0x10000000            1 byte   held by a client that opened the
//                                    database exclusively
//     0x10000001..0x100000FF 1 byte  user slots: a client locks the first free
//                                    one on open and holds it until it closes;
//                                    an entry whose slot is not locked is
//                                    left over and may be overwritten
//     0x20000000..          page locks while pages are changed
//
// Jet deletes the lock file when its last client closes the database.

constexpr qint64 kLockEntrySize = 64;
constexpr qint64 kLockNameSize = 32;
constexpr int kLockFileMaxUsers = 255;
constexpr qint64 kExclusiveOpenLock = 0x10000000;
// The exclusive-open byte and every user slot: held all together, they make a client the only one.
constexpr qint64 kUserLocksLength = 1 + kLockFileMaxUsers;

// Where the entry of user slot `slot` (1 to 255) starts in the file, and the byte locked for the slot.
constexpr qint64 LockEntryOffset(int slot)
{
    return (slot - 1) * kLockEntrySize;
}
constexpr qint64 UserSlotLock(int slot)
{
    return kExclusiveOpenLock + slot;
}

struct LockFileEntry {
    QString computer;
    QString user;
};

// The 64 bytes of an entry; names longer than 31 bytes are cut.
QByteArray EncodeLockFileEntry(const LockFileEntry& entry);
// An entry read back; bytes past the end of a short file read as NULs.
LockFileEntry DecodeLockFileEntry(const QByteArray& bytes);
