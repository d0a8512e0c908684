// Whole transfers into a Jet procedure database, as the update runs them:
// one transaction from the deletion to the last insert, written over the
// file at its commit.
#include "platform/database/jet/in_place/jet_transaction.h"
#include "platform/runtime/runtime_error.h"
#include "support/procedure_databases.h"
#include "support/scripted_ui_services.h"
#include "update/code_transfer.h"
#include "update/progress_report.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>

namespace {

SourceRows Below1000(const SourceRows& rows)
{
    SourceRows kept;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(kept),
                 [](const auto& r) { return r[0].integer() < 1000; });
    return kept;
}

// Each case runs into a Jet 4 and a Jet 3 procedure database.
class JetDestinationTransfer : public ::testing::TestWithParam<JetVersion> {
protected:
    // Existing codes below and above 1000 in both tables.
    JetDestinationTransfer()
    {
        existingBanks = {AbiRow(300, QStringLiteral("Banca Locale"), 1), AbiRow(1005, QStringLiteral("Vecchia"), 2)};
        existingBranches = {AbicabRow(300, 100, QStringLiteral("Banca Locale"), QStringLiteral("Sede"), Variant(),
                                      QStringLiteral("00100"), QStringLiteral("Roma"), QStringLiteral("Roma"),
                                      QStringLiteral("RM"), 1, 4.0)};
        for (const auto& row : ManyAbicabRows(300))
            existingBranches.push_back(row);
        destination = WriteJetProcedureDatabase(dir.path(), existingBanks, existingBranches, QString(),
                                                QStringLiteral("ARCPROC.mdb"), GetParam());
    }

    void writeSource(const SourceRows& banks, const SourceRows& branches)
    {
        source = WriteSourceDatabase(dir.path(), {AbiTable(banks), AbicabTable(branches)});
    }

    // Runs the transfer; answers the line of a failure, or 0. `afterStatement`
    // sees the count of statements sent so far.
    int run(const std::function<void(int)>& afterStatement = {})
    {
        ScriptedUiServices ui;
        linea = 0;
        auto origine = std::make_unique<Connection>();
        auto destinazione = std::make_unique<Connection>();
        int statements = 0;
        destinazione->setTrace([&](const QString&) {
            if (afterStatement)
                afterStatement(++statements);
        });
        ProgressReport progress(ui, linea);
        try {
            origine->open(FileConnectionString(source));
            destinazione->open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + destination
                               + QStringLiteral(";Jet OLEDB:Database Password=") + password + QStringLiteral(";;"));
            TrasferisciCodici(ui, origine, destinazione, progress, linea);
        } catch (const RuntimeError& error) {
            failure = error;
            return linea;
        }
        return 0;
    }

    // Only the database and the two files the test wrote: no copy left behind.
    QStringList filesInFolder() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir dir;
    SourceRows existingBanks;
    SourceRows existingBranches;
    QString destination;
    QString password;
    QString source;
    int linea = 0;
    std::optional<RuntimeError> failure;
};

INSTANTIATE_TEST_SUITE_P(Jet, JetDestinationTransfer, ::testing::Values(JetVersion::Jet3, JetVersion::Jet4),
                         [](const auto& info) {
                             return std::string(info.param == JetVersion::Jet3 ? "Jet3" : "Jet4");
                         });

TEST_P(JetDestinationTransfer, RunsTwiceOverExistingRowsThenAfterRandomDeletions)
{
    const SourceRows banks = BanksFrom(1000, 1000);
    const SourceRows branches = ManyAbicabRows(40000);
    writeSource(banks, branches);
    const SourceRows expectedBanks = Joined(Below1000(existingBanks), banks);
    const SourceRows expectedBranches = Joined(Below1000(existingBranches), branches);

    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        ASSERT_EQ(run(), 0) << failure->description().toStdString();
        ExpectProcedureDatabaseHolds(destination, expectedBanks, expectedBranches);
    }

    // Rows deleted here and there leave holes in pages and trees; the next run fills them again.
    QRandomGenerator random(9);
    SourceRows survivingBanks, survivingBranches;
    {
        JetTransaction transaction(destination, QByteArray(4, '\0'));
        transaction.deleteWhere(QStringLiteral("ABI"), [&](const std::vector<Variant>& row) {
            const bool drop = random.bounded(10) == 0;
            if (!drop)
                survivingBanks.push_back(row);
            return drop;
        });
        transaction.deleteWhere(QStringLiteral("ABICAB"), [&](const std::vector<Variant>& row) {
            const bool drop = random.bounded(5) == 0;
            if (!drop)
                survivingBranches.push_back(row);
            return drop;
        });
        transaction.commit();
    }
    ExpectProcedureDatabaseHolds(destination, survivingBanks, survivingBranches);
    ASSERT_EQ(run(), 0) << failure->description().toStdString();
    ExpectProcedureDatabaseHolds(destination, Joined(Below1000(survivingBanks), banks),
                                 Joined(Below1000(survivingBranches), branches));
}

TEST_P(JetDestinationTransfer, ADuplicateKeyAtALateBranchLeavesTheFileByteIdentical)
{
    SourceRows branches = ManyAbicabRows(5000);
    branches[4990][0] = branches[10][0];
    branches[4990][1] = branches[10][1];
    writeSource(BanksFrom(1000, 200), branches);
    const QByteArray before = FileDigest(destination);
    const QStringList files = filesInFolder();

    EXPECT_EQ(run(), 1200);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->number(), ErrorNumber::IntegrityViolation);
    EXPECT_EQ(FileDigest(destination), before);
    EXPECT_EQ(filesInFolder(), files);
}

// Jet 3 keeps texts in its code page: a bank name it cannot hold stops the
// run naming column and row, the file unchanged. Jet 4 stores it.
TEST_P(JetDestinationTransfer, ATextOutsideTheCodePageStopsAJet3RunNamingColumnAndRow)
{
    SourceRows banks = BanksFrom(1000, 50);
    banks[40][1] = Variant(QStringLiteral("Banca Āzzurra"));
    writeSource(banks, ManyAbicabRows(100));
    const QByteArray before = FileDigest(destination);
    if (GetParam() == JetVersion::Jet4) {
        ASSERT_EQ(run(), 0) << failure->description().toStdString();
        ExpectProcedureDatabaseHolds(destination, Joined(Below1000(existingBanks), banks),
                                     Joined(Below1000(existingBranches), ManyAbicabRows(100)));
        return;
    }
    EXPECT_NE(run(), 0);
    ASSERT_TRUE(failure);
    const QString& message = failure->description();
    EXPECT_TRUE(message.contains(QStringLiteral("'AbiBanc'")) && message.contains(QStringLiteral("U+0100"))
                && message.contains(QStringLiteral("1040")))
        << message.toStdString();
    EXPECT_EQ(FileDigest(destination), before);
}

// A child process runs the transfer and is killed with SIGKILL at a chosen statement.
TEST_P(JetDestinationTransfer, AKillDuringTheRunLeavesTheFileByteIdentical)
{
    writeSource(BanksFrom(1000, 100), ManyAbicabRows(3000));
    const QByteArray before = FileDigest(destination);
    const int total = 2 + 100 + 3000;
    for (const int at : {1, 2, 150, 2000, total}) {
        SCOPED_TRACE(at);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            run([at](int count) {
                if (count == at)
                    ::kill(::getpid(), SIGKILL);
            });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(FileDigest(destination), before);
    }
    // Whatever the kills left next to it, the next run goes through.
    ASSERT_EQ(run(), 0) << failure->description().toStdString();
    ExpectProcedureDatabaseHolds(destination, Joined(Below1000(existingBanks), BanksFrom(1000, 100)),
                                 Joined(Below1000(existingBranches), ManyAbicabRows(3000)));
}

// A full disk, as a limit on the size of the files the process may write.
TEST_P(JetDestinationTransfer, AFullDiskAtCommitLeavesTheFileByteIdentical)
{
    writeSource(BanksFrom(1000, 100), ManyAbicabRows(3000));
    const QByteArray before = FileDigest(destination);
    const QStringList files = filesInFolder();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = static_cast<rlim_t>(QFile(destination).size() / 2);
        const rlimit small{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const int line = run();
        ::_exit(line == 1270 && failure && failure->number() == ErrorNumber::Failure ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the commit did not fail as a full disk should make it";
    EXPECT_EQ(FileDigest(destination), before);
    EXPECT_EQ(filesInFolder(), files);
}

// A run killed while it writes the new copy of the file (by the file-size
// limit's signal, which no handler sees, as with SIGKILL) leaves that copy
// beside the database; the next run removes it.
TEST_P(JetDestinationTransfer, TheNextRunRemovesTheCopyAKilledCommitLeft)
{
    writeSource(BanksFrom(1000, 100), ManyAbicabRows(3000));
    const QByteArray before = FileDigest(destination);
    const QStringList files = filesInFolder();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCoreFile{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCoreFile);
        const rlim_t limit = static_cast<rlim_t>(QFile(destination).size() / 2);
        const rlimit small{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &small);
        run();
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(FileDigest(destination), before);
    const QStringList left = filesInFolder();
    ASSERT_TRUE(std::any_of(left.begin(), left.end(), [](const QString& name) {
        return name.startsWith(QStringLiteral(".ARCPROC.mdb.corvanta-"));
    })) << left.join(QLatin1Char(' ')).toStdString();

    ASSERT_EQ(run(), 0) << failure->description().toStdString();
    EXPECT_EQ(filesInFolder(), files);
}

// The procedure tables added to copies of files Access made, next to their
// own tables and indexes (Access 97's text keys among them), encrypted pages
// and a database password included.
TEST_P(JetDestinationTransfer, RunsIntoCopiesOfAccessMadeFiles)
{
    writeSource(BanksFrom(1000, 50), ManyAbicabRows(2000));
    const std::vector<const char*> files = GetParam() == JetVersion::Jet3
        ? std::vector<const char*>{"testV1997.mdb", "indexTestV1997.mdb", "compIndexTestV1997.mdb",
                                   "testIndexCodesV1997.mdb"}
        : std::vector<const char*>{"testV2000.mdb", "compIndexTestV2000.mdb", "encryptedV2000.mdb",
                                   "passwordV2000.mdb"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        destination = dir.filePath(QString::fromLatin1(file));
        QFile::copy(QStringLiteral(CORVANTA_JET_SAMPLES "/") + QString::fromLatin1(file), destination);
        QFile::setPermissions(destination, QFile::ReadOwner | QFile::WriteOwner);
        password =
            QString::fromLatin1(file).startsWith(QLatin1String("password")) ? QStringLiteral("password") : QString();
        AddProcedureTables(destination, existingBanks, existingBranches, password);
        ExpectProcedureDatabaseHolds(destination, existingBanks, existingBranches, password);
        for (int pass = 0; pass < 2; ++pass) {
            ASSERT_EQ(run(), 0) << failure->description().toStdString();
            ExpectProcedureDatabaseHolds(destination, Joined(Below1000(existingBanks), BanksFrom(1000, 50)),
                                         Joined(Below1000(existingBranches), ManyAbicabRows(2000)), password);
        }
    }
}

}  // namespace
