#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// A Jet database held for writing, as other Jet clients of the same file see
// it: the lock file beside it (NAME.ldb) carries this computer's entry, and
// all of it is locked, the exclusive-open byte and every user slot included,
// so that Access (under Wine,
// whose file server hands Windows byte-range locks on to POSIX locks on the
// same file) cannot open the database while the run writes it, and a
// database Access has open is seen as in use. The database file itself is
// locked whole as well, for programs that lock it rather than the lock file,
// and a process that merely has it open makes it in use too.
//
// The locks are open-file-description locks: they conflict with Wine's and
// with each other even inside one process, so two runs in one program also
// exclude each other. They go with the process if it dies.
class JetDatabaseLock {
public:
    // Raises RuntimeError: "in uso" when another program holds the database
    // or its lock file, naming the computer and user of its entry.
    explicit JetDatabaseLock(const QString& databasePath);
    // Releases the locks and, being the last client, deletes the lock file as Jet does.
    ~JetDatabaseLock();

    JetDatabaseLock(const JetDatabaseLock&) = delete;
    JetDatabaseLock& operator=(const JetDatabaseLock&) = delete;

private:
    void lockLockFile();
    void lockDatabase();
    void releaseLockFile();

    QString databasePath_;
    QString lockFilePath_;
    int lockFile_ = -1;
    int database_ = -1;
};

// The database held for a change, before its first page is read: raises
// RuntimeError when the user may not change the file (ExpectJetFileWritable)
// or another program is using it; then removes what runs that died left
// beside it (RemoveLeftoverCopies).
std::unique_ptr<JetDatabaseLock> HoldJetDatabaseForWriting(const QString& path);
