#include "platform/database/jet/in_place/database_lock.h"

#include "platform/database/engine_error.h"
#include "platform/database/jet/format/lock_file.h"
#include "platform/database/jet/in_place/leftover_copies.h"
#include "platform/database/jet/in_place/open_handles.h"
#include "platform/database/jet/in_place/write_permission.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// The security name of every user of a database without workgroup security.
const char* const kJetUser = "Admin";
// A client closing deletes the lock file: the one just opened may be gone by
// the time it is locked. A few tries, then the database counts as in use.
constexpr int kLockFileTries = 5;

QString LockFilePathOf(const QString& database)
{
    const QFileInfo info(database);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    // Access names it after the database as the user typed it; either case may be there.
    const QString upper = base + QStringLiteral(".LDB");
    const QString lower = base + QStringLiteral(".ldb");
    return QFileInfo::exists(upper) && !QFileInfo::exists(lower) ? upper : lower;
}

// Whether no one else holds a lock on the range, now held. A file system
// without byte-range locks is used without them, as Wine uses it; the check
// at commit still keeps another program's changes.
bool Lock(int fd, off_t start, off_t length)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0 || errno == ENOLCK || errno == EOPNOTSUPP || errno == EIO;
}

RuntimeError InUse(const QString& detail)
{
    return EngineError(EngineFailure::InUse, QString(), detail + QStringLiteral(" Chiudere il programma e riprovare."));
}

RuntimeError CannotLock(const QString& path, int error)
{
    return EngineError(EngineFailure::PermissionDenied, QString::fromLocal8Bit(std::strerror(error)),
                       QStringLiteral("Impossibile usare il file di blocco '%1'.").arg(path));
}

bool SameFile(int fd, const QString& path)
{
    struct stat held {
    }, named{};
    return ::fstat(fd, &held) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
        && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Who holds the user slots, as the entry of the first slot locked says.
QString HolderOf(int fd, const QString& path)
{
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = kExclusiveOpenLock;
    probe.l_len = kUserLocksLength;
    const QString inUse = QStringLiteral("Il file di blocco '%1' ha un utente attivo.").arg(path);
    if (::fcntl(fd, F_OFD_GETLK, &probe) != 0 || probe.l_type == F_UNLCK)
        return inUse;
    const int slot = std::max<int>(1, static_cast<int>(probe.l_start - kExclusiveOpenLock));
    QByteArray bytes(kLockEntrySize, '\0');
    if (::pread(fd, bytes.data(), kLockEntrySize, LockEntryOffset(slot)) <= 0)
        return inUse;
    const LockFileEntry entry = DecodeLockFileEntry(bytes);
    if (entry.computer.isEmpty())
        return inUse;
    return QStringLiteral("Il file di blocco '%1' indica il computer %2, utente %3.")
        .arg(path, entry.computer, entry.user);
}

// A lock file this user may not write, left by another user's program that
// ended, goes; one still held makes the database in use.
bool RemovedUnheldLockFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &probe) != 0 || probe.l_type != F_UNLCK) {
        const QString holder = HolderOf(fd, path);
        ::close(fd);
        throw InUse(holder);
    }
    ::close(fd);
    return ::unlink(name.constData()) == 0;
}

}  // namespace

JetDatabaseLock::JetDatabaseLock(const QString& databasePath)
    : databasePath_(databasePath), lockFilePath_(LockFilePathOf(databasePath))
{
    lockLockFile();
    try {
        lockDatabase();
    } catch (...) {
        releaseLockFile();
        throw;
    }
}

void JetDatabaseLock::lockLockFile()
{
    const QByteArray name = QFile::encodeName(lockFilePath_);
    for (int attempt = 0; attempt < kLockFileTries; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EACCES && RemovedUnheldLockFile(lockFilePath_))
            continue;
        if (fd < 0)
            throw CannotLock(lockFilePath_, errno);
        // Every byte, not only the user slots: whatever range a Jet version locks there conflicts with it.
        if (!Lock(fd, 0, 0)) {
            const int error = errno;
            const QString holder = HolderOf(fd, lockFilePath_);
            ::close(fd);
            if (error != EAGAIN && error != EACCES)
                throw CannotLock(lockFilePath_, error);
            throw InUse(holder);
        }
        if (!SameFile(fd, lockFilePath_)) {
            ::close(fd);
            continue;
        }
        const QByteArray entry = EncodeLockFileEntry(
            {QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0).toUpper(), QString::fromLatin1(kJetUser)});
        if (::pwrite(fd, entry.constData(), entry.size(), LockEntryOffset(1)) != entry.size()) {
            const int error = errno;
            ::close(fd);
            throw CannotLock(lockFilePath_, error);
        }
        lockFile_ = fd;
        return;
    }
    throw InUse(QStringLiteral("Il file di blocco '%1' viene creato e cancellato di continuo.").arg(lockFilePath_));
}

void JetDatabaseLock::lockDatabase()
{
    database_ = ::open(QFile::encodeName(databasePath_).constData(), O_RDWR | O_CLOEXEC);
    if (database_ < 0)
        throw EngineError(EngineFailure::CannotOpen, QString::fromLocal8Bit(std::strerror(errno)));
    // Some programs lock the file itself rather than the lock file, with either kind of lock Linux has.
    if (!Lock(database_, 0, 0) || (::flock(database_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)) {
        ::close(database_);
        throw InUse(QStringLiteral("Un altro programma ha bloccato il file '%1'.").arg(databasePath_));
    }
    const QString holder = ProcessHoldingOpen(databasePath_);
    if (!holder.isEmpty()) {
        ::close(database_);
        throw InUse(QStringLiteral("Il file '%1' è aperto dal programma %2.").arg(databasePath_, holder));
    }
}

JetDatabaseLock::~JetDatabaseLock()
{
    ::close(database_);
    releaseLockFile();
}

void JetDatabaseLock::releaseLockFile()
{
    // Holding every user slot, this is the last client: the file goes while still locked, as Jet deletes it.
    if (SameFile(lockFile_, lockFilePath_))
        ::unlink(QFile::encodeName(lockFilePath_).constData());
    ::close(lockFile_);
}

std::unique_ptr<JetDatabaseLock> HoldJetDatabaseForWriting(const QString& path)
{
    ExpectJetFileWritable(path);
    auto lock = std::make_unique<JetDatabaseLock>(path);
    RemoveLeftoverCopies(path);
    return lock;
}
