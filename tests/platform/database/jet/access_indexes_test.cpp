#include "support/jet_checker.h"

#include <gtest/gtest.h>
#include <QDir>

namespace {

QString Sample(const QString& name)
{
    return QStringLiteral(CORVANTA_JET_SAMPLES "/") + name;
}

// The files Access wrote pass the checker untouched: their indexes hold
// exactly the entries encoded here from their rows, so the keys written
// here are the keys Access writes.
TEST(AccessIndexes, EveryIndexOfTheAccessFilesHoldsTheKeysEncodedHere)
{
    const QStringList files = QDir(QStringLiteral(CORVANTA_JET_SAMPLES)).entryList({QStringLiteral("*V200*.mdb")});
    ASSERT_GE(files.size(), 10);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QString password = file.startsWith(QLatin1String("password")) ? QStringLiteral("password") : QString();
        QStringList tables = JetUserTables(Sample(file));
        tables.append(QStringLiteral("MSysObjects"));
        // Its text index holds Cyrillic, which the writer refuses to key.
        if (file == QLatin1String("testUnicodeCompV2003.mdb"))
            tables.removeAll(QStringLiteral("Table"));
        QStringList problems = CheckJetTables(Sample(file), tables, password);
        // testV2000 with the type byte of its page map changed by hand: its
        // inline bitmap read as a list of bitmap pages, which the check must see.
        if (file == QLatin1String("testRefGlobalV2000.mdb")) {
            const qsizetype before = problems.size();
            problems.removeIf([](const QString& problem) { return problem.contains(QLatin1String("page map")); });
            EXPECT_GT(before, problems.size());
        }
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    }
}

}  // namespace
