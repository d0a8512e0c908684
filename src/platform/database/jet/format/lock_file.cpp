#include "platform/database/jet/format/lock_file.h"

namespace {

// Jet writes names in the system's ANSI code page; the names a computer and
// a Jet user may have are ASCII, Latin-1 covers the rest well enough.
QByteArray NameField(const QString& name)
{
    QByteArray field = name.toLatin1().left(kLockNameSize - 1);
    field.resize(kLockNameSize, '\0');
    return field;
}

QString NameIn(const QByteArray& bytes, qsizetype offset)
{
    const QByteArray field = bytes.mid(offset, kLockNameSize);
    const qsizetype end = field.indexOf('\0');
    return QString::fromLatin1(end < 0 ? field : field.left(end));
}

}  // namespace

QByteArray EncodeLockFileEntry(const LockFileEntry& entry)
{
    return NameField(entry.computer) + NameField(entry.user);
}

LockFileEntry DecodeLockFileEntry(const QByteArray& bytes)
{
    return {NameIn(bytes, 0), NameIn(bytes, kLockNameSize)};
}
