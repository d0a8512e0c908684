// trasferisci-codici run as an administrator runs it, from a copy placed in
// the program folder of a test installation, Abicab.mdb beside it.
#include "support/qt_printers.h"
#include "support/test_installation.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

namespace {

class TrasferisciCodici : public ::testing::Test {
protected:
    TrasferisciCodici()
    {
        installation.writeTypicalSource();
        program = installation.programFolder() + QStringLiteral("/trasferisci-codici");
        QFile::copy(QStringLiteral(TRASFERISCI_PROGRAM), program);
    }

    // The exit status; what the program wrote is kept in `output`.
    int run(const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        output = QString::fromUtf8(process.readAll());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QStringList banks() const
    {
        return installation.procedureDatabase().rows(QStringLiteral("SELECT AbiAbi FROM ABI ORDER BY 1"));
    }

    TestInstallation installation;
    QString program;
    QString output;
};

TEST_F(TrasferisciCodici, RunsTheUpdateOfAProfileAndAnswersWithItsExitStatus)
{
    // Asked on the terminal: an answer "n" declines.
    const QByteArray before = installation.procedureDatabaseBytes();
    EXPECT_EQ(run({"--profilo", "Corvanta"}, "n\n"), 3);
    EXPECT_TRUE(output.contains(QStringLiteral("Procedere con l'aggiornamneto dei codici Abi/Cab?"))) << output.toStdString();
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);

    EXPECT_EQ(run({"--si", "--profilo", "Corvanta"}), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[Messaggio di Corvanta NET] Aggiornamento codici ABI/CAB completato.")));
    EXPECT_EQ(banks(), QStringList({"300", "1005", "3069"}));

    installation.procedureDatabase().exec(QStringLiteral("UPDATE release SET rel_maior = 19"));
    EXPECT_EQ(run({"--si", "--profilo", "Corvanta"}), 3);
    EXPECT_TRUE(output.contains(QStringLiteral("L'archivio procedura ARCPROC è di versione 19;")));

    EXPECT_EQ(run({"--si", "--profilo", "Nessuno"}), 3);
    EXPECT_TRUE(output.contains(QStringLiteral("Nessuna installazione di Corvanta/Corvanta NET rilevata")));

    QFile::remove(installation.programFolder() + QStringLiteral("/Abicab.mdb"));
    EXPECT_EQ(run({"--si", "--profilo", "Corvanta"}), 1);
    EXPECT_TRUE(output.contains(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 140, errore "))) << output.toStdString();

    EXPECT_EQ(run({"--profilo"}), 2);
    EXPECT_TRUE(output.startsWith(QStringLiteral("Uso: trasferisci-codici")));
}

TEST_F(TrasferisciCodici, ChecksTheProfileAsTheWindowDoes)
{
    // A client installation is asked about; No leaves the codes alone.
    installation.writeProfile(QStringLiteral("Corvanta"), {{QStringLiteral("Server"), QStringLiteral("N")}});
    const QByteArray before = installation.procedureDatabaseBytes();
    EXPECT_EQ(run({"--profilo", "corvanta"}, "n\n"), 3);
    EXPECT_TRUE(output.contains(QStringLiteral("nel profilo 'CORVANTA', su questa macchina risulta essere di tipo "
                                               "Client e non Server, procedere ugualmente?\n[s/N]")))
        << output.toStdString();
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);

    // Yes to it, then to the update.
    EXPECT_EQ(run({"--profilo", "corvanta"}, "s\ns\n"), 0) << output.toStdString();
    EXPECT_EQ(banks(), QStringList({"300", "1005", "3069"}));

    // Settings that cannot be read are an error report.
    WinePrefixWriter writer = installation.prefix().writer();
    writer.setText(QStringLiteral("HKLM\\SOFTWARE\\KVR\\CORVANTA"), QStringLiteral("SystemInst"),
                   QStringLiteral("99999999999"));
    writer.save();
    EXPECT_EQ(run({"--si", "--profilo", "Corvanta"}), 1);
    EXPECT_TRUE(output.contains(QStringLiteral("Routine Corabicab:GetVarGlobali, linea 30, errore 6"))) << output.toStdString();
}

}  // namespace
