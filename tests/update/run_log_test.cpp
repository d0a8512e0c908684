#include "update/run_log.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <QTimeZone>

namespace {

TEST(RunLog, KeepsNoPasswordOfTheDestination)
{
    EXPECT_EQ(WithoutPasswords(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Dati\\ARCPROC.mdb;"
                                              "Jet OLEDB:Database Password=segreta;;")),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Dati\\ARCPROC.mdb;"
                             "Jet OLEDB:Database Password=***"));
    const QString odbc =
        WithoutPasswords(QStringLiteral("Driver={MariaDB Unicode};UID=corvanta;pwd=\"se;greta\";"
                                        "Password=altra"));
    EXPECT_FALSE(odbc.contains(QStringLiteral("greta"))) << odbc.toStdString();
    EXPECT_FALSE(odbc.contains(QStringLiteral("altra"))) << odbc.toStdString();
    EXPECT_TRUE(odbc.contains(QStringLiteral("UID=corvanta")));
}

TEST(RunLog, AppendsOneLineARunUnderAHeaderWhateverItsFieldsHold)
{
    QTemporaryDir state;
    const QByteArray programState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    EXPECT_EQ(ReadRunLog(), QString());
    const QDateTime start(QDate(2026, 3, 1), QTime(9, 30), QTimeZone::utc());
    AppendRunLog({start, "mario", "Corvanta\tbis", "Data Source=x", "ab12", "errore", 970, -2147217873,
                  "ABI +1 -0 ~0, CAB +0 -0 ~0", 1234});
    AppendRunLog({start, "mario", "Corvanta", "Data Source=x", "ab12", "completato\nfalso", 0, 0, {}, 5});
    const QStringList lines = ReadRunLog().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("inizio\tutente\tprofilo")));
    EXPECT_EQ(lines[1],
              QStringLiteral("2026-03-01T09:30:00Z\tmario\tCorvanta bis\tData Source=x\tab12\terrore\t970\t"
                             "-2147217873\tABI +1 -0 ~0, CAB +0 -0 ~0\t1234"));
    EXPECT_EQ(lines[2].split(QLatin1Char('\t')).size(), 10);
    EXPECT_TRUE(lines[2].contains(QStringLiteral("\tcompletato falso\t\t\t\t5")));
    qputenv("XDG_STATE_HOME", programState);
}

}  // namespace
