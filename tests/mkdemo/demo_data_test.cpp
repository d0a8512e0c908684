#include "mkdemo/demo_data.h"
#include "support/jet_readback.h"
#include "support/source_databases.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

TEST(DemoData, LooksLikeTheRealCodes)
{
    const DemoData data = GenerateDemoData();
    ASSERT_EQ(data.banks.size(), 1000u);
    ASSERT_EQ(data.branches.size(), 40000u);

    // From 1000 up only, like the real delivery: the update keeps the codes
    // below 1000, so a run would insert those again on every later run.
    QSet<qint64> abiCodes;
    for (const auto& bank : data.banks) {
        abiCodes.insert(bank[0].integer());
        EXPECT_GE(bank[0].integer(), 1000);
        EXPECT_FALSE(bank[1].text().isEmpty());
    }
    EXPECT_EQ(abiCodes.size(), 1000);

    const QRegularExpression postalCode(QStringLiteral("^[0-9]{5}$"));
    const QRegularExpression province(QStringLiteral("^[A-Z]{2}$"));
    QSet<QPair<qint64, qint64>> keys;
    QSet<qint64> banksWithBranches;
    for (const auto& branch : data.branches) {
        keys.insert({branch[0].integer(), branch[1].integer()});
        banksWithBranches.insert(branch[0].integer());
        EXPECT_TRUE(abiCodes.contains(branch[0].integer()));
        EXPECT_TRUE(postalCode.match(branch[5].text()).hasMatch()) << branch[5].text().toStdString();
        EXPECT_TRUE(province.match(branch[8].text()).hasMatch()) << branch[8].text().toStdString();
    }
    EXPECT_EQ(keys.size(), 40000) << "ABI and CAB together name one branch";
    EXPECT_EQ(banksWithBranches, abiCodes) << "every bank has a branch";
}

TEST(DemoData, IsTheSameOnEveryRun)
{
    const DemoData first = GenerateDemoData({50, 2000});
    const DemoData second = GenerateDemoData({50, 2000});
    EXPECT_EQ(first.banks, second.banks);
    EXPECT_EQ(first.branches, second.branches);
    EXPECT_EQ(first.branches.size(), 2000u);
}

TEST(DemoData, ProgramWritesWhereItIsToldAndTheFileReadsBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess process;
    process.start(QStringLiteral(MKDEMO_PROGRAM), {dir.filePath(QStringLiteral("Abicab.mdb"))});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const DemoData data = GenerateDemoData();
    ExpectJetFileReadsBack(dir.filePath(QStringLiteral("Abicab.mdb")),
                           {AbiTable(data.banks), AbicabTable(data.branches)});

    process.start(QStringLiteral(MKDEMO_PROGRAM), {});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 2);
}

}  // namespace
