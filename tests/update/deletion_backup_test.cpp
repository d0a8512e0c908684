#include "update/deletion_backup.h"

#include "support/qt_printers.h"
#include "support/sqlite_file.h"

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

// SQLite keeps in a column whatever a row puts there, and its deletion
// ("abiabi >=1000") removes a text key that reads as no number: the backup,
// copied by the engine or read by the tool inside the run's transaction,
// holds the rows the deletion removes, no more and no fewer.
TEST(DeletionBackup, HoldsWhatTheDeletionOfAnEngineWithoutColumnTypesRemoves)
{
    QTemporaryDir folder;
    const SqliteFile file(folder.filePath(QStringLiteral("arcproc.db")));
    file.exec(QStringLiteral(
        "CREATE TABLE ABI (AbiAbi INTEGER, AbiBanc TEXT, AbiBic TEXT);"
        "CREATE TABLE ABICAB (AbcAbi INTEGER, AbcCab INTEGER);"
        "INSERT INTO ABI VALUES (300, 'Locale', NULL), (1005, 'Banca', 'BNLIITRR'), ('A1', 'Testo', NULL),"
        " (NULL, 'Nulla', NULL), (999.5, 'Quasi', NULL), (1000.5, 'Oltre', 'X');"
        "INSERT INTO ABICAB VALUES (1005, 1), (300, 2);"));
    Connection connection;
    connection.openFile(file.path());
    const QStringList removed{QStringLiteral("1005|Banca|BNLIITRR"), QStringLiteral("A1|Testo|NULL"),
                              QStringLiteral("1000.5|Oltre|X")};
    const auto rowsOf = [](const SavedTable& table) {
        QStringList rows;
        for (const std::vector<Variant>& row : table.rows) {
            QStringList values;
            for (const Variant& value : row)
                values << (value.isNull()                           ? QStringLiteral("NULL")
                               : value.type() == Variant::Type::Double ? QString::number(value.real())
                                                                       : DefaultText(value));
            rows << values.join(QLatin1Char('|'));
        }
        return rows;
    };

    std::optional<BackupDraft> copied =
        DeletionBackup::draftCopiedByEngine(folder.filePath(QStringLiteral("copie")), kRecord, connection);
    ASSERT_TRUE(copied);
    const DeletionBackup backup = DeletionBackup::read(copied->publish().path());
    EXPECT_EQ(backup.record().sourceDigest, kRecord.sourceDigest);
    EXPECT_EQ(backup.codes().abi.columns,
              (QStringList{QStringLiteral("AbiAbi"), QStringLiteral("AbiBanc"), QStringLiteral("AbiBic")}));
    EXPECT_EQ(backup.codes().abi.types,
              (QStringList{QStringLiteral("intero"), QStringLiteral("testo"), QStringLiteral("testo")}));
    EXPECT_EQ(rowsOf(backup.codes().abi), removed);
    EXPECT_EQ(rowsOf(backup.codes().abicab), QStringList{QStringLiteral("1005|1")});

    // In the run's transaction the engine copies nothing: the tool reads the same rows.
    connection.beginTransaction();
    EXPECT_FALSE(DeletionBackup::draftCopiedByEngine(folder.filePath(QStringLiteral("copie")), kRecord, connection));
    const SavedCodes read = ReadCodesFromAThousand(connection);
    EXPECT_EQ(rowsOf(read.abi), removed);
    Command deletion;
    deletion.setActiveConnection(connection);
    deletion.setCommandText(QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"));
    deletion.execute();
    connection.commitTransaction();
    connection.close();
    EXPECT_EQ(file.rows(QStringLiteral("SELECT AbiBanc FROM ABI ORDER BY rowid")),
              (QStringList{QStringLiteral("Locale"), QStringLiteral("Nulla"), QStringLiteral("Quasi")}));
}

}  // namespace
