// A Jet database shared with other programs: Access under Wine, another run
// of the tool, anything that writes the file. No update is lost: one writer
// goes through, the other is refused with the file as it was.
#include "platform/database/jet/format/lock_file.h"
#include "platform/database/jet/in_place/writable_jet_backend.h"
#include "platform/runtime/runtime_error.h"
#include "support/error_capture.h"
#include "support/procedure_databases.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <csignal>

namespace {

constexpr uid_t kNobody = 65534;

QString Insert(int abi)
{
    return QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc) VALUES (%1, 'Banca %1')").arg(abi);
}

void ExpectInUse(const RuntimeError& error)
{
    EXPECT_EQ(error.number(), ErrorNumber::Failure);
    EXPECT_TRUE(error.description().startsWith(QStringLiteral("Il database è in uso da un altro programma.")))
        << error.description().toStdString();
}

// A child process that runs `body` and waits, killed when the object goes.
class Holder {
public:
    explicit Holder(const std::function<void()>& body)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            body();
            (void)::write(ready[1], "1", 1);
            ::pause();
            ::_exit(0);
        }
        char signal = 0;
        (void)::read(ready[0], &signal, 1);
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~Holder() { end(); }
    void end()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

private:
    pid_t pid_ = 0;
};

// A lock as Wine sets one for a Windows program: a classic POSIX lock.
bool PosixLock(int fd, off_t start, off_t length)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return ::fcntl(fd, F_SETLK, &lock) == 0;
}

// Runs `body` in a child process as a user who is not root (nobody, when the
// tests run as root); answers its exit status.
int AsOrdinaryUser(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

class JetSharing : public ::testing::Test {
protected:
    JetSharing()
    {
        QFile::setPermissions(dir.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                  | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
        path = WriteJetProcedureDatabase(dir.path(), BanksFrom(990, 10), {});
        lockFile = dir.filePath(QStringLiteral("ARCPROC.ldb"));
    }

    QStringList filesInFolder() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir dir;
    QString path;
    QString lockFile;
};

// While a run holds the database, its lock file shows this computer as a
// Jet user, and Access cannot take a user slot in it; a second run is
// refused at its start, and can run once the first has finished.
TEST_F(JetSharing, ARunHoldsTheDatabaseAsAJetClientUntilItEnds)
{
    const auto first = OpenWritableJetDatabase(path, QString());
    const auto second = OpenWritableJetDatabase(path, QString());
    first->beginTransaction();
    first->execute(Insert(2000));
    const QByteArray before = FileDigest(path);

    QFile entry(lockFile);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const LockFileEntry written = DecodeLockFileEntry(entry.read(kLockEntrySize));
    entry.close();
    EXPECT_EQ(written.computer, QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0).toUpper());
    EXPECT_EQ(written.user, QStringLiteral("Admin"));
    const int fd = ::open(QFile::encodeName(lockFile).constData(), O_RDWR);
    for (const int slot : {1, 2, 255})
        EXPECT_FALSE(PosixLock(fd, UserSlotLock(slot), 1)) << "Access could take user slot " << slot;
    EXPECT_FALSE(PosixLock(fd, kExclusiveOpenLock, 1));
    ::close(fd);

    const RuntimeError refused = ErrorOf([&] { second->beginTransaction(); });
    ExpectInUse(refused);
    EXPECT_TRUE(refused.description().contains(written.computer)) << refused.description().toStdString();
    EXPECT_TRUE(ErrorOf([&] { second->execute(Insert(3000)); }).description().contains(QStringLiteral("in uso")));
    EXPECT_EQ(FileDigest(path), before);

    first->commitTransaction();
    EXPECT_FALSE(QFile::exists(lockFile)) << "the last client deletes the lock file";
    RunJetStatements(path, {Insert(3000)});
    ExpectProcedureDatabaseHolds(path,
                                 Joined(BanksFrom(990, 10),
                                        {AbiRow(2000, QStringLiteral("Banca 2000"), Variant()),
                                         AbiRow(3000, QStringLiteral("Banca 3000"), Variant())}),
                                 {});
    EXPECT_EQ(filesInFolder(), QStringList{QStringLiteral("ARCPROC.mdb")});
}

// Two runs in two processes, the second started while the first is under
// way: the first completes, the second fails having changed nothing.
TEST_F(JetSharing, TwoConcurrentRunsLoseNoUpdate)
{
    int ready[2], go[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(go), 0);
    const pid_t first = ::fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        const int failed = ErrorOf([&] {
                               const auto database = OpenWritableJetDatabase(path, QString());
                               database->beginTransaction();
                               database->execute(QStringLiteral("DELETE FROM ABI WHERE AbiAbi >= 995"));
                               database->execute(Insert(2000));
                               (void)::write(ready[1], "1", 1);
                               char signal = 0;
                               (void)::read(go[0], &signal, 1);
                               database->commitTransaction();
                           }).number()
            != 0;
        ::_exit(failed ? 1 : 0);
    }
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    const QByteArray before = FileDigest(path);
    const pid_t second = ::fork();
    ASSERT_GE(second, 0);
    if (second == 0) {
        const RuntimeError error = ErrorOf([&] { RunJetStatements(path, {Insert(3000)}); });
        ::_exit(error.description().contains(QStringLiteral("in uso")) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(second, &status, 0), second);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second run was not refused as in use";
    EXPECT_EQ(FileDigest(path), before);
    ASSERT_EQ(::write(go[1], "1", 1), 1);
    ASSERT_EQ(::waitpid(first, &status, 0), first);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the first run did not complete";
    ExpectProcedureDatabaseHolds(
        path, Joined(BanksFrom(990, 5), {AbiRow(2000, QStringLiteral("Banca 2000"), Variant())}), {});
}

// Access (also under Wine) holds a user slot in the lock file while it has
// the database open; programs that lock the file itself, or only keep it
// open, count as well. A lock file whose entries nobody holds was left by a
// program that ended.
TEST_F(JetSharing, ADatabaseAnotherProgramHoldsIsInUse)
{
    QFile stale(lockFile);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(EncodeLockFileEntry({QStringLiteral("UFFICIO-2"), QStringLiteral("Admin")}));
    stale.close();
    RunJetStatements(path, {Insert(2000)});
    const QByteArray before = FileDigest(path);

    const auto access = [&] {
        const int fd = ::open(QFile::encodeName(lockFile).constData(), O_RDWR | O_CREAT, 0666);
        const QByteArray entry = EncodeLockFileEntry({QStringLiteral("UFFICIO-2"), QStringLiteral("Admin")});
        (void)::pwrite(fd, entry.constData(), entry.size(), LockEntryOffset(1));
        PosixLock(fd, UserSlotLock(1), 1);
    };
    {
        Holder holder(access);
        const RuntimeError refused = ErrorOf([&] { RunJetStatements(path, {Insert(3000)}); });
        ExpectInUse(refused);
        EXPECT_TRUE(refused.description().contains(QStringLiteral("UFFICIO-2"))) << refused.description().toStdString();
        EXPECT_EQ(FileDigest(path), before);
    }
    const auto lockOnTheDatabase = [&] {
        PosixLock(::open(QFile::encodeName(path).constData(), O_RDWR), 0x7fffff00, 1);
    };
    const auto flockOnTheDatabase = [&] { ::flock(::open(QFile::encodeName(path).constData(), O_RDONLY), LOCK_SH); };
    const auto openWithoutLocks = [&] { ::open(QFile::encodeName(path).constData(), O_RDWR); };
    for (const auto& holding : {std::function<void()>(lockOnTheDatabase), std::function<void()>(flockOnTheDatabase),
                                std::function<void()>(openWithoutLocks)}) {
        Holder holder(holding);
        ExpectInUse(ErrorOf([&] { RunJetStatements(path, {Insert(3000)}); }));
        EXPECT_EQ(FileDigest(path), before);
    }
    RunJetStatements(path, {Insert(3000)});
    EXPECT_EQ(filesInFolder(), QStringList{QStringLiteral("ARCPROC.mdb")});
}

// A lock file another user's run left when it was killed, which this user
// may not write, does not keep the database from being updated.
TEST_F(JetSharing, ALockFileAnotherUserLeftDoesNotBlockTheDatabase)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a lock file of another user needs a second user";
    }
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
    QFile stale(lockFile);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(EncodeLockFileEntry({QStringLiteral("UFFICIO-2"), QStringLiteral("Admin")}));
    stale.close();
    QFile::setPermissions(lockFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    const auto run = [&] { return ErrorOf([&] { RunJetStatements(path, {Insert(2000)}); }).number() == 0 ? 0 : 1; };
    {
        Holder holder([&] { PosixLock(::open(QFile::encodeName(lockFile).constData(), O_RDWR), UserSlotLock(1), 1); });
        EXPECT_EQ(AsOrdinaryUser(run), 1) << "a lock file still held was taken for a leftover";
    }
    EXPECT_EQ(AsOrdinaryUser(run), 0);
    EXPECT_EQ(filesInFolder(), QStringList{QStringLiteral("ARCPROC.mdb")});
}

// A program that writes the file without taking part in Jet's locking,
// between the run's start and its commit: its change is kept and the run's
// is not written.
TEST_F(JetSharing, AFileChangedDuringTheRunIsNotOverwritten)
{
    const auto changeAPageKeepingSizeAndTime = [&] {
        struct stat status {};
        ::stat(QFile::encodeName(path).constData(), &status);
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.seek(2 * 4096 + 4000);  // the catalog page, which every run reads
        file.write("altro programma");
        file.close();
        const timespec times[2] = {status.st_atim, status.st_mtim};
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
    };
    const auto appendAPage = [&] {
        QFile file(path);
        file.open(QIODevice::Append);
        file.write(QByteArray(4096, '\0'));
    };
    const auto replaceTheFile = [&] {
        const QString other = dir.filePath(QStringLiteral("altro.mdb"));
        QFile::copy(path, other);
        ::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData());
    };
    for (const auto& change : {std::function<void()>(changeAPageKeepingSizeAndTime), std::function<void()>(appendAPage),
                               std::function<void()>(replaceTheFile)}) {
        const QString original = dir.filePath(QStringLiteral("originale.mdb"));
        QFile::remove(original);
        QFile::copy(path, original);
        const auto database = OpenWritableJetDatabase(path, QString());
        database->beginTransaction();
        database->execute(Insert(2000));
        change();
        const QByteArray changed = FileDigest(path);
        const RuntimeError refused = ErrorOf([&] { database->commitTransaction(); });
        EXPECT_EQ(refused.number(), ErrorNumber::Failure);
        EXPECT_TRUE(refused.description().contains(QStringLiteral("un altro programma ha modificato il database")))
            << refused.description().toStdString();
        EXPECT_EQ(FileDigest(path), changed);
        EXPECT_EQ(filesInFolder(), (QStringList{QStringLiteral("ARCPROC.mdb"), QStringLiteral("originale.mdb")}));
        QFile::remove(path);
        QFile::rename(original, path);
    }
}

// The mark a run reads the database by, alongside the source: none while the
// file may still be written within the same clock tick unseen; once it has
// rested, the same until another program writes it, even one that puts the
// size and modification time back.
TEST_F(JetSharing, AWriteOfAnotherProgramChangesTheMarkOfARestedFile)
{
    const auto database = OpenWritableJetDatabase(path, QString());
    EXPECT_TRUE(database->changeMark().isEmpty());
    ::usleep(2'100'000);
    const QByteArray rested = database->changeMark();
    ASSERT_FALSE(rested.isEmpty());
    EXPECT_EQ(database->changeMark(), rested);

    struct stat status {};
    ::stat(QFile::encodeName(path).constData(), &status);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(2 * 4096 + 4000);
    file.write("altro programma");
    file.close();
    const timespec times[2] = {status.st_atim, status.st_mtim};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
    EXPECT_NE(database->changeMark(), rested);
}

// A file the user may not write is refused before anything changes, as
// SQLite refuses one; so is a file in a folder where the new copy cannot be
// made, or one whose owner the copy could not keep.
TEST_F(JetSharing, AFileTheUserMayNotWriteIsRefusedUnchanged)
{
    const QByteArray before = FileDigest(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const RuntimeError readOnly = ErrorOf([&] { RunJetStatements(path, {Insert(2000)}); });
    EXPECT_EQ(readOnly.number(), ErrorNumber::ReadOnlyDatabase);
    EXPECT_TRUE(readOnly.description().contains(QStringLiteral("sola lettura")))
        << readOnly.description().toStdString();
    EXPECT_EQ(FileDigest(path), before);
    EXPECT_EQ(filesInFolder(), QStringList{QStringLiteral("ARCPROC.mdb")});

    // Made read-only while the run is under way.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const auto database = OpenWritableJetDatabase(path, QString());
    database->beginTransaction();
    database->execute(Insert(2000));
    QFile::setPermissions(path, QFile::ReadOwner);
    EXPECT_EQ(ErrorNumberOf([&] { database->commitTransaction(); }), ErrorNumber::ReadOnlyDatabase);
    EXPECT_EQ(FileDigest(path), before);
    EXPECT_EQ(filesInFolder(), QStringList{QStringLiteral("ARCPROC.mdb")});

    // The folder: the user's own file, writable, in a folder closed to writing.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
    }
    const auto refusedAs = [&](const QString& reason) {
        return AsOrdinaryUser([&] {
            const RuntimeError error = ErrorOf([&] { RunJetStatements(path, {Insert(2000)}); });
            return error.number() == ErrorNumber::ReadOnlyDatabase && error.description().contains(reason) ? 0 : 1;
        });
    };
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    EXPECT_EQ(refusedAs(QStringLiteral("La cartella")), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    EXPECT_EQ(FileDigest(path), before);
    EXPECT_EQ(filesInFolder(), QStringList{QStringLiteral("ARCPROC.mdb")});

    if (::geteuid() != 0) {
        GTEST_SKIP() << "a file of another user needs a second user";
    }
    // Another user's file, writable by all, in a folder open to all.
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 0, 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    EXPECT_EQ(refusedAs(QStringLiteral("appartiene a un altro utente")), 0);
    EXPECT_EQ(FileDigest(path), before);
    EXPECT_EQ(filesInFolder(), QStringList{QStringLiteral("ARCPROC.mdb")});
    // Root writes what the file's mode lets anyone write.
    RunJetStatements(path, {Insert(2000)});
}

// The copies killed runs left beside the database go at the next run; a copy
// a live process is writing, or a file the tool did not make, stays.
TEST_F(JetSharing, TheNextRunRemovesOnlyTheCopiesOfEndedRuns)
{
    const auto leftover = [&](pid_t pid, const char* unique) {
        const QString name =
            dir.filePath(QStringLiteral(".ARCPROC.mdb.corvanta-%1-%2").arg(pid).arg(QLatin1String(unique)));
        QFile file(name);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(8192, 'x'));
        return name;
    };
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const QString ofAnEndedRun = leftover(ended, "a1B2c3");
    const QString lockedByALiveProcess = leftover(ended, "d4E5f6");
    Holder writer([&] { ::flock(::open(QFile::encodeName(lockedByALiveProcess).constData(), O_RDONLY), LOCK_EX); });
    const QString notTheTools = dir.filePath(QStringLiteral(".ARCPROC.mdb.corvanta-note"));
    QFile(notTheTools).open(QIODevice::WriteOnly);
    const QString ofAnotherDatabase = dir.filePath(QStringLiteral(".ALTRO.mdb.corvanta-%1-a1B2c3").arg(ended));
    QFile(ofAnotherDatabase).open(QIODevice::WriteOnly);

    RunJetStatements(path, {Insert(2000)});
    EXPECT_FALSE(QFile::exists(ofAnEndedRun));
    EXPECT_TRUE(QFile::exists(lockedByALiveProcess));
    EXPECT_TRUE(QFile::exists(notTheTools));
    EXPECT_TRUE(QFile::exists(ofAnotherDatabase));
    const QString ofALiveProcess = leftover(::getppid(), "g7H8i9");
    RunJetStatements(path, {Insert(2001)});
    EXPECT_TRUE(QFile::exists(ofALiveProcess));
}

}  // namespace
