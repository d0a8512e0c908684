#include "platform/runtime/system_error.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

namespace {

// In the C locale the system's own words are English; the Italian comes
// first whatever the locale, and the system's text follows in brackets.
TEST(SystemError, TheReasonsAnAdministratorMeetsAreToldInItalianFirst)
{
    const struct {
        int number;
        QString italian;
    } reasons[] = {
        {EACCES, QStringLiteral("permesso negato: l'utente non ha i diritti di accesso necessari")},
        {EPERM, QStringLiteral("operazione non permessa")},
        {ENOSPC, QStringLiteral("spazio esaurito sul disco")},
        {EDQUOT, QStringLiteral("quota del disco esaurita per questo utente")},
        {EROFS, QStringLiteral("il disco è in sola lettura")},
    };
    for (const auto& reason : reasons) {
        const QString told = DescrizioneErroreDiSistema(reason.number);
        EXPECT_EQ(told, reason.italian + QStringLiteral(" (") + qt_error_string(reason.number) + QLatin1Char(')'))
            << reason.number;
    }
    EXPECT_TRUE(DescrizioneErroreDiSistema(4242).startsWith(QStringLiteral("errore di sistema 4242 (")));
}

TEST(SystemError, AFailedFileOperationIsToldByWhatTheSystemFound)
{
    // A device that is always full, as a disk is once it has filled.
    QFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    ASSERT_EQ(full.write("codici"), -1);
    EXPECT_EQ(DescrizioneErroreFile(full),
              QStringLiteral("spazio esaurito sul disco (") + qt_error_string(ENOSPC) + ')');

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile missing(dir.filePath(QStringLiteral("manca/Abicab.mdb")));
    ASSERT_FALSE(missing.open(QIODevice::ReadOnly));
    EXPECT_EQ(DescrizioneErroreFile(missing),
              QStringLiteral("file o cartella inesistente (") + qt_error_string(ENOENT) + ')');

    // Qt's own finding is not passed off as one of the system's, whatever errno held before.
    errno = ENOSPC;
    QFile folder(dir.path());
    ASSERT_FALSE(folder.open(QIODevice::ReadOnly));
    EXPECT_EQ(DescrizioneErroreFile(folder),
              QStringLiteral("operazione sul file non riuscita (") + folder.errorString() + ')');

    // A read that found the file shorter than expected.
    QFile empty(dir.filePath(QStringLiteral("vuoto")));
    ASSERT_TRUE(empty.open(QIODevice::ReadWrite));
    char page[16];
    ASSERT_EQ(empty.read(page, sizeof page), 0);
    EXPECT_EQ(DescrizioneErroreFile(empty), QStringLiteral("il file è finito prima del previsto"));
}

}  // namespace
