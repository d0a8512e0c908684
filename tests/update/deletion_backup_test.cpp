#include "update/deletion_backup.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

namespace {

SavedCodes OneBank(int abi, const QString& name)
{
    SavedCodes codes;
    codes.abi = {QStringLiteral("ABI"), {QStringLiteral("AbiAbi"), QStringLiteral("AbiDes")},
                 {QStringLiteral("intero"), QStringLiteral("testo")}, {{Variant(qint64(abi)), Variant(name)}}};
    codes.abicab = {QStringLiteral("ABICAB"), {QStringLiteral("AbcAbi"), QStringLiteral("AbcCab")},
                    {QStringLiteral("intero"), QStringLiteral("intero")}, {}};
    return codes;
}

const BackupRecord kRecord{QStringLiteral("Corvanta"), QDateTime(QDate(2026, 3, 1), QTime(9, 30), QTimeZone::utc()),
                           QStringLiteral("Data Source=x"), QStringLiteral("ab12"), kOutcomeRunning};

TEST(DeletionBackup, RunsStartedInTheSameMillisecondKeepABackupEach)
{
    QTemporaryDir folder;
    const DeletionBackup first = DeletionBackup::write(folder.path(), kRecord, OneBank(1001, QStringLiteral("Prima")));
    const DeletionBackup second =
        DeletionBackup::write(folder.path(), kRecord, OneBank(1002, QStringLiteral("Seconda")));
    EXPECT_EQ(QFileInfo(first.path()).fileName(), QStringLiteral("Corvanta-20260301-093000-000.sqlite"));
    EXPECT_EQ(QFileInfo(second.path()).fileName(), QStringLiteral("Corvanta-20260301-093000-000-2.sqlite"));
    EXPECT_EQ(DeletionBackup::read(first.path()).codes().abi.rows.at(0).at(1).text(), QStringLiteral("Prima"));
    EXPECT_EQ(DeletionBackup::read(second.path()).codes().abi.rows.at(0).at(1).text(), QStringLiteral("Seconda"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 2);
}

// A partial file is the writing run's alone: the next run removes it only
// once that run's process has ended.
TEST(DeletionBackup, RemovesThePartialFilesOfEndedRunsOnly)
{
    QTemporaryDir folder;
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ASSERT_GT(ended, 0);
    ::waitpid(ended, nullptr, 0);
    const QString leftover = folder.filePath(QStringLiteral("Corvanta-20260101-080000-000.sqlite.parziale-%1").arg(ended));
    const QString writing = folder.filePath(QStringLiteral("Corvanta-20260301-093000-000.sqlite.parziale-%1").arg(::getppid()));
    for (const QString& path : {leftover, writing}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const DeletionBackup backup = DeletionBackup::write(folder.path(), kRecord, OneBank(1001, QStringLiteral("Banca")));
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_TRUE(QFile::exists(writing));
    EXPECT_TRUE(QFile::exists(backup.path()));
}

}  // namespace
