// Damaged files opened for writing: each one is refused with an error or
// written so that the checker passes, and the writer neither crashes nor
// hangs. Every case runs in a child process with an alarm, so a crash or a
// hang is told apart from a refusal.
#include "platform/database/jet/in_place/writable_jet_backend.h"
#include "platform/runtime/runtime_error.h"
#include "support/jet3_checker.h"
#include "support/jet_checker.h"
#include "support/procedure_databases.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

enum Outcome { Written = 0, Refused = 1, WrittenBadly = 2, Escaped = 3 };

constexpr int kCases = 250;

QByteArray Mutated(const QByteArray& original, QRandomGenerator& random)
{
    constexpr qsizetype kVersionOffset = 0x14;  // 0 in a Jet 3 file, whose pages are half as large
    const int pageSize = original.at(kVersionOffset) == 0 ? 2048 : 4096;
    QByteArray bytes = original;
    const int changes = 1 + random.bounded(4);
    const int pages = static_cast<int>(bytes.size() / pageSize);
    for (int i = 0; i < changes; ++i) {
        const int page = random.bounded(pages);
        // Mostly the headers and tables at the start of a page, where a change matters most.
        const int offset = random.bounded(3) == 0 ? random.bounded(pageSize) : random.bounded(96);
        bytes[page * pageSize + offset] = static_cast<char>(random.bounded(256));
    }
    return bytes;
}

// The checker of the file's format; the Jet 3 one walks every table.
bool Sound(const QString& path, const QStringList& tables)
{
    return (IsJet3File(path) ? CheckJet3Pages(path) : CheckJetTables(path, tables)).isEmpty();
}

// In the child: the run's statements on the damaged file.
Outcome WriteInto(const QString& path, const QStringList& statements, const QStringList& tables)
{
    const bool soundBefore = Sound(path, tables);
    try {
        RunJetStatements(path, statements);
    } catch (const RuntimeError&) {
        return Refused;
    }
    return !soundBefore || Sound(path, tables) ? Written : WrittenBadly;
}

struct FuzzTarget {
    QByteArray bytes;
    QStringList statements;
    QStringList tables;
};

void Fuzz(const QString& folder, const FuzzTarget& target, quint32 seed)
{
    QRandomGenerator random(seed);
    int outcomes[4] = {0, 0, 0, 0};
    for (int i = 0; i < kCases; ++i) {
        const QString path = folder + QStringLiteral("/caso.mdb");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(Mutated(target.bytes, random));
        file.close();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::alarm(45);  // the Jet reader itself gives up on a looping file after 30 s
            // Anything but the run's own error would end the tool unreported.
            int outcome = Escaped;
            try {
                outcome = WriteInto(path, target.statements, target.tables);
            } catch (...) {
            }
            ::_exit(outcome);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "case " << i << " crashed or hung: signal " << WTERMSIG(status);
        ASSERT_NE(WEXITSTATUS(status), WrittenBadly) << "case " << i << " was written but fails the checker";
        ASSERT_NE(WEXITSTATUS(status), Escaped) << "case " << i << " raised something other than the run's error";
        ++outcomes[WEXITSTATUS(status)];
    }
    // Both kinds of outcome occur, or the mutations were all harmless or all fatal.
    EXPECT_GT(outcomes[Written], 0);
    EXPECT_GT(outcomes[Refused], 0);
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

class JetWriterFuzz : public testing::TestWithParam<JetVersion> {};

TEST_P(JetWriterFuzz, DamagedProcedureDatabasesAreRefusedOrWrittenSoundly)
{
    QTemporaryDir dir;
    SourceRows banks;
    for (int abi = 990; abi < 1010; ++abi)
        banks.push_back(AbiRow(abi, QStringLiteral("Banca %1").arg(abi), 1));
    const QString path = WriteJetProcedureDatabase(dir.path(), banks, ManyAbicabRows(400), QString(),
                                                   QStringLiteral("ARCPROC.mdb"), GetParam());
    QStringList statements{QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"),
                           QStringLiteral("DELETE FROM abicab WHERE abcabi >=1000")};
    for (const auto& row : ManyAbicabRows(300))
        statements.append(InsertStatement(ProcedureAbicabDefinition(), row));
    Fuzz(dir.path(), {Contents(path), statements, {QStringLiteral("ABI"), QStringLiteral("ABICAB")}}, 1);
}

TEST_P(JetWriterFuzz, DamagedAccessFilesAreRefusedOrWrittenSoundly)
{
    QTemporaryDir dir;
    QStringList statements{QStringLiteral("DELETE FROM Table1 WHERE CD_AGENTE >= 300")};
    for (int i = 0; i < 50; ++i)
        statements.append(
            QStringLiteral("INSERT INTO Table1 (CD_AGENTE, RS_AGENTE) VALUES (%1, 'Agente %1')").arg(5000 + i));
    const QString sample = GetParam() == JetVersion::Jet3 ? QStringLiteral("compIndexTestV1997.mdb")
                                                          : QStringLiteral("compIndexTestV2000.mdb");
    Fuzz(dir.path(),
         {Contents(QStringLiteral(CORVANTA_JET_SAMPLES "/") + sample), statements, {QStringLiteral("Table1")}}, 2);
}

INSTANTIATE_TEST_SUITE_P(BothVersions, JetWriterFuzz, testing::Values(JetVersion::Jet4, JetVersion::Jet3),
                         [](const testing::TestParamInfo<JetVersion>& info) {
                             return info.param == JetVersion::Jet3 ? "Jet3" : "Jet4";
                         });

}  // namespace
