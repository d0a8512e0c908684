// A registry file the administrator may not read, as the terminal program
// reports it: the reason in Italian, whatever language the system speaks.
#include "support/test_installation.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QFile>
#include <QProcess>

namespace {

TEST(UnreadableHive, ThePermissionRefusedIsToldInItalian)
{
    TestInstallation installation;
    const QString hive = installation.prefix().filePath(QStringLiteral("user.reg"));
    ASSERT_TRUE(QFile::exists(hive));
    // Root reads every file: the program then runs as "nobody", whom its
    // folder and the prefix let in and the root-owned hive does not.
    const bool root = geteuid() == 0;
    const QString executable = installation.programFolder() + QStringLiteral("/trasferisci-codici");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TRASFERISCI_PROGRAM), executable));
    const QFile::Permissions open =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    for (const QString& folder : {installation.programFolder(), installation.prefix().path()})
        ASSERT_TRUE(QFile::setPermissions(folder, open));
    ASSERT_TRUE(QFile::setPermissions(hive, root ? QFile::ReadOwner | QFile::WriteOwner : QFile::Permissions()));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList arguments{QStringLiteral("--profilo"), QStringLiteral("Corvanta")};
    if (root)
        program.start(QStringLiteral("setpriv"),
                      QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                  QStringLiteral("--clear-groups"), executable}
                          + arguments);
    else
        program.start(executable, arguments);
    program.closeWriteChannel();
    ASSERT_TRUE(program.waitForFinished(60000));
    const QString output = QString::fromUtf8(program.readAll());
    EXPECT_EQ(program.exitCode(), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Impossibile leggere il file del registro \"%1\": "
                                               "permesso negato: l'utente non ha i diritti di accesso necessari (")
                                    .arg(hive)))
        << output.toStdString();
}

}  // namespace
