// trasferisci-codici run as an administrator runs it, from a copy placed in
// the program folder of a test installation, Abicab.mdb beside it.
#include "support/qt_printers.h"
#include "support/test_installation.h"

#include <gtest/gtest.h>

#include <QDir>
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

    // The exit status; what the program wrote is kept in `output`, its
    // standard output alone in `standardOutput`.
    int run(const QStringList& arguments, const QByteArray& input = {}, const QString& folder = {})
    {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        standardOutput = QString::fromUtf8(process.readAllStandardOutput());
        output = standardOutput + QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QStringList banks() const
    {
        return installation.procedureDatabase().rows(QStringLiteral("SELECT AbiAbi FROM ABI ORDER BY 1"));
    }

    TestInstallation installation;
    QString program;
    QString output;
    QString standardOutput;
};

TEST_F(TrasferisciCodici, RunsTheUpdateOfAProfileAndAnswersWithItsExitStatus)
{
    // Asked on the terminal: an answer "n" declines.
    const QByteArray before = installation.procedureDatabaseBytes();
    EXPECT_EQ(run({"--profilo", "Corvanta"}, "n\n"), 3);
    EXPECT_TRUE(output.contains(QStringLiteral("Procedere con l'aggiornamneto dei codici Abi/Cab?")))
        << output.toStdString();
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);

    EXPECT_EQ(run({"--si", "--profilo", "Corvanta"}), 0) << output.toStdString();
    EXPECT_TRUE(
        output.contains(QStringLiteral("[Messaggio di Corvanta NET] Aggiornamento codici ABI/CAB completato.")));
    EXPECT_EQ(banks(), QStringList({"300", "1005", "3069"}));

    installation.procedureDatabase().exec(QStringLiteral("UPDATE release SET rel_maior = 19"));
    EXPECT_EQ(run({"--si", "--profilo", "Corvanta"}), 3);
    EXPECT_TRUE(output.contains(QStringLiteral("L'archivio procedura ARCPROC è di versione 19;")));

    EXPECT_EQ(run({"--si", "--profilo", "Nessuno"}), 3);
    EXPECT_TRUE(output.contains(QStringLiteral("Nessuna installazione di Corvanta/Corvanta NET rilevata")));

    QFile::remove(installation.programFolder() + QStringLiteral("/Abicab.mdb"));
    EXPECT_EQ(run({"--si", "--profilo", "Corvanta"}), 1);
    EXPECT_TRUE(output.contains(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 140, errore ")))
        << output.toStdString();
}

TEST_F(TrasferisciCodici, ChecksTheProfileAsTheWindowDoes)
{
    // A client installation is asked about; No leaves the codes alone.
    installation.writeProfile(QStringLiteral("Corvanta"), {{QStringLiteral("Server"), QStringLiteral("N")}});
    const QByteArray before = installation.procedureDatabaseBytes();
    EXPECT_EQ(run({"--profilo", "corvanta"}, "n\n"), 3);
    EXPECT_TRUE(
        output.contains(QStringLiteral("nel profilo 'CORVANTA', su questa macchina risulta essere di tipo "
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
    EXPECT_TRUE(output.contains(QStringLiteral("Routine Corabicab:GetVarGlobali, linea 30, errore 6")))
        << output.toStdString();
}

TEST_F(TrasferisciCodici, TakesItsOptionsInAnyOrder)
{
    EXPECT_EQ(run({"--profilo", "Corvanta", "--si"}), 0) << output.toStdString();
    EXPECT_EQ(banks(), QStringList({"300", "1005", "3069"}));
    EXPECT_EQ(run({"--profilo=Corvanta", "--si"}), 0) << output.toStdString();
}

TEST_F(TrasferisciCodici, AnswersHelpAndVersionOnStandardOutput)
{
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_TRUE(standardOutput.startsWith(
        QStringLiteral("Uso: trasferisci-codici [--si] [--conserva-dati-banche] --profilo NOME\n")))
        << output.toStdString();
    EXPECT_TRUE(standardOutput.contains(QStringLiteral("\n  2  argomenti non validi\n"))) << output.toStdString();

    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_TRUE(standardOutput.startsWith(QStringLiteral("trasferisci-codici "))) << output.toStdString();
}

TEST_F(TrasferisciCodici, NamesTheArgumentItDidNotUnderstand)
{
    // On standard error, with the usage and nothing changed.
    const QByteArray before = installation.procedureDatabaseBytes();
    EXPECT_EQ(run({"--profilo", "Corvanta", "--sì"}), 2);
    EXPECT_TRUE(output.startsWith(QStringLiteral("trasferisci-codici: opzione non riconosciuta: '--sì'\nUso: ")))
        << output.toStdString();
    EXPECT_TRUE(standardOutput.isEmpty());

    EXPECT_EQ(run({"--profilo"}), 2);
    EXPECT_TRUE(output.startsWith(QStringLiteral("trasferisci-codici: manca il valore dell'opzione '--profilo'\n")))
        << output.toStdString();
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);
}

// The two-file form: the source is the installation's Abicab.mdb, the
// destinations copies of its procedure database.
class TrasferisciCodiciTraFile : public TrasferisciCodici {
protected:
    QString source() const { return installation.programFolder() + QStringLiteral("/Abicab.mdb"); }

    // A copy of the procedure database in `folder`, named `name`.
    SqliteFile destination(const QString& name) const
    {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(QFile::copy(installation.procedureDatabase().path(), path)) << path.toStdString();
        return SqliteFile(path);
    }

    static QStringList banksOf(const SqliteFile& database)
    {
        return database.rows(QStringLiteral("SELECT AbiAbi FROM ABI ORDER BY 1"));
    }

    QTemporaryDir folder;
};

TEST_F(TrasferisciCodiciTraFile, AsksBeforeChangingAnything)
{
    const SqliteFile target = destination(QStringLiteral("copia.db"));
    EXPECT_EQ(run({source(), target.path()}, "n\n"), 3);
    EXPECT_TRUE(output.contains(QStringLiteral("Procedere con l'aggiornamneto dei codici Abi/Cab?\n[S/n]")))
        << output.toStdString();
    EXPECT_EQ(banksOf(target), QStringList({"300", "1000"}));

    // Nobody to answer is a No too.
    EXPECT_EQ(run({source(), target.path()}), 3);
    EXPECT_EQ(banksOf(target), QStringList({"300", "1000"}));

    EXPECT_EQ(run({source(), target.path()}, "s\n"), 0) << output.toStdString();
    EXPECT_EQ(banksOf(target), QStringList({"300", "1005", "3069"}));
}

TEST_F(TrasferisciCodiciTraFile, OpensTheFilesNamedWhateverTheirNamesHold)
{
    // A decoy where a name cut at ";" or read as a Windows path would lead.
    const SqliteFile decoy = destination(QStringLiteral("w.db"));
    QDir().mkpath(folder.filePath(QStringLiteral("w")));
    const SqliteFile decoyBelow = destination(QStringLiteral("w/b.db"));

    for (const QString& name : {QStringLiteral("w.db;2"), QStringLiteral(" w.db"), QStringLiteral("w\"q.db"),
                                QStringLiteral("'w.db'"), QStringLiteral("w\\b.db")}) {
        const SqliteFile target = destination(name);
        // Relative to the folder the program runs in, as typed.
        EXPECT_EQ(run({"--si", source(), name}, {}, folder.path()), 0) << output.toStdString();
        EXPECT_EQ(banksOf(target), QStringList({"300", "1005", "3069"})) << name.toStdString();
        EXPECT_EQ(banksOf(decoy), QStringList({"300", "1000"})) << name.toStdString();
    }
    EXPECT_EQ(banksOf(decoyBelow), QStringList({"300", "1000"}));

    // A name that does not exist is not found under another.
    EXPECT_EQ(run({"--si", source(), "w.DB"}, {}, folder.path()), 1);
    EXPECT_TRUE(
        output.contains(QStringLiteral("linea 250, errore -2147467259, descrizione: Impossibile trovare il "
                                       "file di database 'w.DB'.")))
        << output.toStdString();
}

TEST_F(TrasferisciCodici, SaysWhereTheMissingCodesGo)
{
    // As the package installs it: the program's Abicab.mdb links to the
    // administrator's file, not yet there.
    QTemporaryDir codes;
    const QString administratorsFile = codes.filePath(QStringLiteral("Abicab.mdb"));
    const QString delivered = codes.filePath(QStringLiteral("consegnato.mdb"));
    const QString link = installation.programFolder() + QStringLiteral("/Abicab.mdb");
    ASSERT_TRUE(QFile::rename(link, delivered));
    ASSERT_TRUE(QFile::link(administratorsFile, link));

    const QByteArray before = installation.procedureDatabaseBytes();
    EXPECT_EQ(run({"--si", "--profilo", "Corvanta"}), 1);
    EXPECT_TRUE(output.contains(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 140, errore ")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral(" Il file va messo in '%1'.").arg(administratorsFile)))
        << output.toStdString();
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);

    // Once put there, it is the one read.
    ASSERT_TRUE(QFile::rename(delivered, administratorsFile));
    EXPECT_EQ(run({"--si", "--profilo", "Corvanta"}), 0) << output.toStdString();
    EXPECT_EQ(banks(), QStringList({"300", "1005", "3069"}));
}

}  // namespace
