// The whole update run on a test installation: a profile in a Wine prefix,
// a Jet source next to the program and an SQLite procedure database.
#include "update/update_run.h"
#include "platform/runtime/runtime_error.h"
#include "settings/profile_settings.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"
#include "support/test_installation.h"
#include "update/connections.h"

#include <gtest/gtest.h>

namespace {

const QString kTitle = QStringLiteral("Messaggio di Corvanta NET");

class UpdateRunTest : public ::testing::Test {
protected:
    UpdateRunTest()
    {
        installation.writeTypicalSource();
        selectProfile();
    }

    void selectProfile()
    {
        ASSERT_TRUE(GetVarGlobali(ui, QStringLiteral("Corvanta")));
        VarGlobali.ProfiloCorrente = QStringLiteral("Corvanta");
    }

    bool confirmAndRun()
    {
        ui.answerQuestion(MsgAnswer::Yes);
        return run.CopiaAbiCab();
    }

    void setRelease(const QString& value)
    {
        installation.procedureDatabase().exec(QStringLiteral("UPDATE release SET rel_maior = %1").arg(value));
    }

    QStringList codes() const
    {
        return installation.procedureDatabase().rows(QStringLiteral("SELECT AbiAbi, AbiBanc FROM ABI ORDER BY 1"))
            + installation.procedureDatabase().rows(QStringLiteral("SELECT AbcAbi, AbcCab FROM ABICAB ORDER BY 1, 2"));
    }

    const ScriptedUiServices::MessageBox& lastBox() const { return ui.messageBoxes().back(); }

    // What the run showed the user after the confirmation, boxes and captions.
    QStringList captionsAndBoxes() const
    {
        QStringList seen;
        for (const QString& call : ui.calls()) {
            if (call.startsWith(QLatin1String("Caption(")) || call.startsWith(QLatin1String("MsgBox(")))
                seen.append(call);
        }
        return seen.mid(1);
    }

    TestInstallation installation;
    ScriptedUiServices ui;
    UpdateRun run{ui, installation.programFolder()};
};

TEST_F(UpdateRunTest, ReplacesTheCodesFromAbi1000AndReportsEveryPhase)
{
    QStringList runningAtPump;
    ui.onPumpEvents(
        [&] { runningAtPump.append(run.AggiornamentoInCorso ? QStringLiteral("on") : QStringLiteral("off")); });

    EXPECT_TRUE(confirmAndRun());
    EXPECT_EQ(run.esito(), RunOutcome::Completed);
    EXPECT_EQ(codes(),
              QStringList({"300|Banca Locale", "1005|Banca d'Esempio", "3069|Intesa Sanpaolo", "300|100", "1005|1600",
                           "3069|1"}));
    // The BIC codes of the banks below 1000 stay.
    EXPECT_EQ(installation.procedureDatabase().rows(QStringLiteral("SELECT AbiBic FROM ABI WHERE AbiAbi = 300")),
              QStringList({"LOCAITM1"}));

    const ScriptedUiServices::MessageBox& confirmation = ui.messageBoxes().front();
    EXPECT_EQ(confirmation.style, 36);
    EXPECT_EQ(confirmation.title, kTitle);
    EXPECT_EQ(confirmation.text, TestoConfermaAggiornamento());
    EXPECT_TRUE(confirmation.text.contains(
        QStringLiteral("andranno persi.\r\n\r\nProcedere con l'aggiornamneto dei codici Abi/Cab?")));

    const QStringList calls = ui.calls();
    EXPECT_EQ(calls.mid(1, 5),
              QStringList({"Enabled(cmdCancel): false", "Enabled(cmdOK): false", "Enabled(cmdProfilo): false",
                           "Pointer(busy)", "Caption(lbProgr): Apertura database di origine in corso..."}));
    EXPECT_EQ(
        calls.mid(calls.size() - 13),
        QStringList({"Caption(lbProgr): Nessuna.", "Caption(cmdCancel): Termina", "Enabled(cmdCancel): true",
                     "Enabled(cmdOK): true", "Enabled(cmdProfilo): true", "Pointer(default)", "Progress(Value): 0",
                     "RepaintWindow", "MsgBox(64, Messaggio di Corvanta NET): Aggiornamento codici ABI/CAB completato.",
                     "Enabled(cmdCancel): true", "Enabled(cmdOK): true", "Enabled(cmdProfilo): true",
                     "Pointer(default)"}));
    EXPECT_EQ(captionsAndBoxes().mid(0, 7),
              QStringList({"Caption(lbProgr): Apertura database di origine in corso...",
                           "Caption(lbProgr): Apertura database di destinazione in corso...",
                           "Caption(lbProgr): Apertura dati di origine in corso...",
                           "Caption(lbProgr): Cancellazione codici ABI/CAB in corso...",
                           "Caption(lbProgr): Aggiornamento codici ABI in corso...",
                           "Caption(lbProgr): Aggiornamento codici ABI (1 di 2) in corso...",
                           "Caption(lbProgr): Aggiornamento codici ABI (2 di 2) in corso..."}));
    EXPECT_EQ(runningAtPump, QStringList(6, QStringLiteral("on")));  // lines 110, 160, 430, 770, 900, 1130
    EXPECT_FALSE(run.AggiornamentoInCorso);
    EXPECT_FALSE(ui.busyPointer());
    EXPECT_EQ(run.ConnessioneOrigine, nullptr);
    EXPECT_EQ(run.ConnessioneDestinazione, nullptr);
    // A file profile's connection text stays composed in the globals.
    EXPECT_EQ(VarGlobali.PrcAdoConnect, QStringLiteral("Data Source=C:\\Corvanta\\Dati\\ARCPROC.db;"));

    // A second run asks again and leaves "Termina" in place.
    EXPECT_TRUE(confirmAndRun());
    EXPECT_EQ(ui.caption(Control::cmdCancel), QStringLiteral("Termina"));
    EXPECT_EQ(ui.callsStartingWith(QStringLiteral("Caption(cmdCancel)")).size(), 2);
    EXPECT_EQ(VarGlobali.PrcAdoConnect, QStringLiteral("Data Source=C:\\Corvanta\\Dati\\ARCPROC.db;"));
}

TEST_F(UpdateRunTest, ADeclinedConfirmationOpensAndChangesNothing)
{
    ui.setCaption(Control::cmdCancel, QStringLiteral("Termina"));
    ui.setCaption(Control::lbProgr, QStringLiteral("Nessuna."));
    ui.answerQuestion(MsgAnswer::No);
    const QByteArray before = installation.procedureDatabaseBytes();

    EXPECT_FALSE(run.CopiaAbiCab());
    EXPECT_EQ(run.esito(), RunOutcome::Declined);
    EXPECT_EQ(ui.messageBoxes().size(), 1U);
    EXPECT_EQ(ui.calls().mid(3),
              QStringList({"Enabled(cmdCancel): true", "Enabled(cmdOK): true", "Enabled(cmdProfilo): true",
                           "Pointer(default)"}));
    EXPECT_EQ(run.ConnessioneOrigine, nullptr);
    EXPECT_EQ(run.ConnessioneDestinazione, nullptr);
    EXPECT_EQ(VarGlobali.PrcAdoConnect, QString());  // not even composed
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);
    EXPECT_EQ(ui.caption(Control::cmdCancel), QStringLiteral("Termina"));
    EXPECT_EQ(ui.caption(Control::lbProgr), QStringLiteral("Nessuna."));
}

TEST_F(UpdateRunTest, AcceptsReleasesSixToEighteenRoundedHalfToEven)
{
    for (const char* release : {"6", "18", "5.5", "18.5", "'12'"}) {
        SCOPED_TRACE(release);
        setRelease(QString::fromLatin1(release));
        EXPECT_TRUE(confirmAndRun()) << lastBox().text.toStdString();
    }
}

TEST_F(UpdateRunTest, RefusesOtherReleasesBeforeReadingTheSource)
{
    const QByteArray before = installation.procedureDatabaseBytes();
    const std::pair<const char*, const char*> cases[] = {
        {"5", "5"}, {"19", "19"}, {"-3", "-3"}, {"4.5", "4"}, {"18.51", "19"}};
    for (const auto& [stored, quoted] : cases) {
        SCOPED_TRACE(stored);
        setRelease(QString::fromLatin1(stored));
        ui.setProgress(ProgressProperty::Value, 77.0F);
        EXPECT_FALSE(confirmAndRun());
        EXPECT_EQ(run.esito(), RunOutcome::ReleaseRefused);
        EXPECT_EQ(lastBox().style, 16);
        EXPECT_EQ(lastBox().text,
                  QStringLiteral("L'archivio procedura ARCPROC è di versione %1; l'aggiornamento dei "
                                 "codici Abi/Cab è previsto solo per le release di Corvanta 11, 12, 13 e "
                                 "Corvanta NET 2008, 2009, 2010, 2011 e 2012.")
                      .arg(QString::fromLatin1(quoted)));
        EXPECT_EQ(ui.caption(Control::lbProgr), QStringLiteral("Apertura database di destinazione in corso..."));
        EXPECT_EQ(ui.progress(ProgressProperty::Value), 77.0F);
        EXPECT_EQ(run.ConnessioneOrigine, nullptr);
        EXPECT_EQ(run.ConnessioneDestinazione, nullptr);
        EXPECT_FALSE(run.AggiornamentoInCorso);
    }

    // No row at all is release 0; only the first row counts.
    installation.procedureDatabase().exec(QStringLiteral("DELETE FROM release"));
    EXPECT_FALSE(confirmAndRun());
    EXPECT_TRUE(lastBox().text.startsWith(QStringLiteral("L'archivio procedura ARCPROC è di versione 0;")));
    installation.procedureDatabase().exec(
        QStringLiteral("INSERT INTO release VALUES (3, 0, 0); INSERT INTO release VALUES (12, 0, 0)"));
    EXPECT_FALSE(confirmAndRun());
    EXPECT_TRUE(lastBox().text.contains(QStringLiteral("di versione 3;")));
    setRelease(QStringLiteral("12"));
    const QByteArray refused = installation.procedureDatabaseBytes();
    EXPECT_NE(refused, before);  // only the test's own changes to the release table
}

TEST_F(UpdateRunTest, AReleaseThatIsNoNumberFailsAtLine300)
{
    for (const char* release : {"NULL", "'dodici'"}) {
        SCOPED_TRACE(release);
        setRelease(QString::fromLatin1(release));
        EXPECT_FALSE(confirmAndRun());
        EXPECT_EQ(run.esito(), RunOutcome::Failed);
        EXPECT_EQ(lastBox().style, 16);
        EXPECT_TRUE(lastBox().text.startsWith(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 300, errore ")))
            << lastBox().text.toStdString();
        // A trapped error closes nothing.
        EXPECT_NE(run.ConnessioneOrigine, nullptr);
        EXPECT_NE(run.ConnessioneDestinazione, nullptr);
    }
    installation.procedureDatabase().exec(QStringLiteral("DROP TABLE release"));
    EXPECT_FALSE(confirmAndRun());
    EXPECT_TRUE(lastBox().text.startsWith(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 280, errore ")));
}

TEST_F(UpdateRunTest, ReportsTheRowsOfA25RowTable)
{
    SourceRows banks;
    for (int i = 0; i < 25; ++i)
        banks.push_back(AbiRow(2000 + i, "Banca", 1));
    installation.writeSource(
        {AbiTable(banks),
         AbicabTable({AbicabRow(2000, 1, "Banca", "Sede", Variant(), "00100", "Roma", "Roma", "RM", 1, 1)})});
    EXPECT_TRUE(confirmAndRun());

    const QStringList calls = ui.calls();
    const qsizetype start = calls.indexOf(QStringLiteral("Caption(lbProgr): Aggiornamento codici ABI in corso..."));
    const qsizetype end = calls.indexOf(QStringLiteral("Caption(lbProgr): Aggiornamento codici CAB in corso..."));
    ASSERT_GT(start, 0);
    QStringList expected{"Progress(Min): 0", "Progress(Max): 1000", "Progress(Value): 0",
                         "Caption(lbProgr): Aggiornamento codici ABI in corso...", "PumpEvents"};
    for (int i = 1; i <= 25; ++i) {
        expected.append(QStringLiteral("Caption(lbProgr): Aggiornamento codici ABI (%1 di 25) in corso...").arg(i));
        if (i % 10 == 0)
            expected.append(QStringLiteral("PumpEvents"));
        expected.append(QStringLiteral("Progress(Value): %1").arg(i * 999 / 25));
    }
    expected += QStringList{"Progress(Value): 1000", "Progress(Min): 0", "Progress(Max): 1000", "Progress(Value): 0"};
    EXPECT_EQ(calls.mid(start - 3, end - start + 3), expected);
    EXPECT_EQ(expected.at(6), QStringLiteral("Progress(Value): 39"));
}

TEST_F(UpdateRunTest, AFailedInsertLeavesTheDatabaseAsItWasAndTheConnectionsOpen)
{
    // The first bank is refused: its name is longer than the column allows.
    installation.procedureDatabase().exec(
        QStringLiteral("CREATE TRIGGER no_long_names BEFORE INSERT ON ABI WHEN length(NEW.AbiBanc) > 20 "
                       "BEGIN SELECT RAISE(ABORT, 'nome troppo lungo'); END;"));
    installation.writeSource(
        {AbiTable({AbiRow(1005, "Una banca dal nome troppo lungo", 3)}),
         AbicabTable({AbicabRow(1005, 1600, "B", "Sede", Variant(), "00100", "Roma", "Roma", "RM", 3, 7)})});
    const QByteArray before = installation.procedureDatabaseBytes();

    EXPECT_FALSE(confirmAndRun());
    EXPECT_EQ(run.esito(), RunOutcome::Failed);
    EXPECT_TRUE(lastBox().text.startsWith(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 970, errore ")))
        << lastBox().text.toStdString();
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);
    EXPECT_EQ(ui.caption(Control::lbProgr), QStringLiteral("Aggiornamento codici ABI in corso..."));
    EXPECT_FALSE(run.AggiornamentoInCorso);
    EXPECT_FALSE(ui.busyPointer());
    EXPECT_TRUE(ui.isEnabled(Control::cmdOK));
    ASSERT_NE(run.ConnessioneOrigine, nullptr);
    ASSERT_NE(run.ConnessioneDestinazione, nullptr);
    EXPECT_TRUE(run.ConnessioneOrigine->isOpen());
    EXPECT_TRUE(run.ConnessioneDestinazione->isOpen());

    // The next run replaces them; here a duplicate branch fails it at its third row.
    const Connection* previous = run.ConnessioneDestinazione.get();
    installation.writeSource(
        {AbiTable({AbiRow(1005, "Banca", 3)}),
         AbicabTable({AbicabRow(1005, 1, "B", "Uno", Variant(), "00100", "Roma", "Roma", "RM", 3, 7),
                      AbicabRow(1005, 2, "B", "Due", Variant(), "00100", "Roma", "Roma", "RM", 3, 7),
                      AbicabRow(1005, 1, "B", "Tre", Variant(), "00100", "Roma", "Roma", "RM", 3, 7)})});
    EXPECT_FALSE(confirmAndRun());
    EXPECT_TRUE(lastBox().text.startsWith(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 1200, errore ")))
        << lastBox().text.toStdString();
    EXPECT_EQ(ui.caption(Control::lbProgr), QStringLiteral("Aggiornamento codici CAB (2 di 3) in corso..."));
    EXPECT_EQ(ui.progress(ProgressProperty::Value), 666.0F);
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);
    EXPECT_NE(run.ConnessioneDestinazione.get(), previous);
}

TEST_F(UpdateRunTest, EmptySourceTablesEndTheRunWithTheirMessage)
{
    installation.writeSource(
        {AbiTable(), AbicabTable({AbicabRow(1005, 1, "B", "S", Variant(), "0", "R", "R", "RM", 3, 7)})});
    const QByteArray before = installation.procedureDatabaseBytes();
    EXPECT_FALSE(confirmAndRun());
    EXPECT_EQ(run.esito(), RunOutcome::NoCodes);
    EXPECT_EQ(lastBox().text, QStringLiteral("Nessun codice ABI rilevato dal database di origine."));
    EXPECT_EQ(run.ConnessioneOrigine, nullptr);
    EXPECT_EQ(run.ConnessioneDestinazione, nullptr);

    installation.writeSource({AbiTable({AbiRow(1005, "B", 3)}), AbicabTable()});
    EXPECT_FALSE(confirmAndRun());
    EXPECT_EQ(lastBox().text, QStringLiteral("Nessun codice CAB rilevato dal database di origine."));
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);
    EXPECT_FALSE(run.AggiornamentoInCorso);
}

TEST_F(UpdateRunTest, DatabasesThatCannotBeOpenedFailAtTheirLines)
{
    UpdateRun elsewhere{ui, installation.prefix().filePath(QStringLiteral("altrove"))};
    ui.answerQuestion(MsgAnswer::Yes);
    EXPECT_FALSE(elsewhere.CopiaAbiCab());
    EXPECT_TRUE(lastBox().text.startsWith(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 140, errore ")));

    // A file profile whose folder is missing names the Windows path and the Linux one tried.
    QMap<QString, QString> settings = FileProfileSettings();
    settings[QStringLiteral("PrcDir")] = QStringLiteral("C:\\Corvanta\\Spariti");
    installation.writeProfile(QStringLiteral("Corvanta"), settings);
    selectProfile();
    EXPECT_FALSE(confirmAndRun());
    EXPECT_EQ(
        lastBox().text,
        QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 250, errore -2147467259, descrizione: Impossibile trovare "
                       "il file di database 'C:\\Corvanta\\Spariti\\ARCPROC.db' (percorso Linux: '%1').")
            .arg(installation.prefix().filePath(QStringLiteral("dosdevices/c:/Corvanta/Spariti/ARCPROC.db"))));
    EXPECT_NE(run.ConnessioneOrigine, nullptr);  // open, as the source was
    EXPECT_EQ(VarGlobali.PrcAdoConnect, QStringLiteral("Data Source=C:\\Corvanta\\Spariti\\ARCPROC.db;"));
}

TEST_F(UpdateRunTest, ComposesTheFileProfilesConnectionWithItsPassword)
{
    installation.writePassword(QStringLiteral("Corvanta"), QStringLiteral("segreta"));
    int linea = 0;
    ComponiConnessioneDestinazione(linea);
    EXPECT_EQ(linea, 190);
    EXPECT_EQ(VarGlobali.PrcAdoConnect,
              QStringLiteral("Data Source=C:\\Corvanta\\Dati\\ARCPROC.db;Jet OLEDB:Database Password=segreta;"));
    EXPECT_EQ(StringaConnessioneDestinazione(),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Corvanta\\Dati\\ARCPROC.db;"
                             "Jet OLEDB:Database Password=segreta;;"));

    // Only "(Nessuno)" exactly is a file profile; others keep their text, empty or not.
    for (const char* subType : {"(NESSUNO)", "SQL Server"}) {
        VarGlobali.PrcSubDataType = QString::fromLatin1(subType);
        VarGlobali.PrcAdoConnect = QStringLiteral("Server=db;Initial Catalog=ARCPROC");
        ComponiConnessioneDestinazione(linea);
        EXPECT_EQ(linea, 170);
        EXPECT_EQ(VarGlobali.PrcAdoConnect, QStringLiteral("Server=db;Initial Catalog=ARCPROC"));
    }
    EXPECT_EQ(StringaConnessioneOrigine(TestoOrigine(QStringLiteral("C:\\Tool"))),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Tool\\Abicab.mdb;;"));
}

}  // namespace
