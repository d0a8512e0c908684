// The update of the bank codes from the command line, for administrators and
// for the demo: the same update run as the window's "OK", its boxes printed
// on the terminal and its questions asked there.
//
//   trasferisci-codici [--si] --profilo NOME         Abicab.mdb next to the program, the
//                                                    procedure database of the profile
//   trasferisci-codici [--si] ORIGINE DESTINAZIONE   two database files
//
// Exit status: 0 completed, 3 ended without changes (declined, profile or
// release refused, no codes in the source), 1 an error was reported, 2 usage.
#include "code_transfer.h"
#include "console_ui_services.h"
#include "error_report.h"
#include "history_commands.h"
#include "profile_selection.h"
#include "progress_report.h"
#include "run_record.h"
#include "runtime_error.h"
#include "update_run.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr int kCompleted = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kUnchanged = 3;

int Usage()
{
    QTextStream(stderr) << "Uso: trasferisci-codici [--si] --profilo NOME\n"
                           "     trasferisci-codici [--si] ORIGINE DESTINAZIONE\n"
                           "Sostituisce nell'archivio procedura i codici ABI/CAB da 1000 in su con quelli delle\n"
                           "tabelle abi e abicab dell'origine. Con --profilo l'origine è Abicab.mdb nella cartella\n"
                           "del programma e la destinazione è l'archivio procedura del profilo NOME, letto dalle\n"
                           "impostazioni dell'installazione nel prefisso Wine ($WINEPREFIX), con la verifica della\n"
                           "release. Le domande si rispondono sul terminale; --si risponde Sì a tutte.\n"
                           "Esito: 0 completato, 3 concluso senza modifiche, 1 errore.\n";
    return kUsage;
}

// The profile is checked as the window checks it: refused without an
// installation, asked about when it is a client's.
int RunForProfile(ConsoleUiServices& ui, const QString& profilo)
{
    // Its only critical boxes are error reports.
    const int criticalBefore = ui.criticalBoxes();
    if (!SelezionaProfilo(ui, profilo))
        return ui.criticalBoxes() > criticalBefore ? kFailed : kUnchanged;
    UpdateRun run(ui, QCoreApplication::applicationDirPath());
    run.CopiaAbiCab();
    switch (run.esito()) {
    case RunOutcome::Completed: return kCompleted;
    case RunOutcome::Failed: return kFailed;
    default: return kUnchanged;
    }
}

// Two named files, without profile or release check: for copying codes
// between databases by hand.
int RunForFiles(UiServices& ui, const QString& origineFile, const QString& destinazioneFile)
{
    int linea = 0;
    auto origine = std::make_unique<Connection>();
    auto destinazione = std::make_unique<Connection>();
    ProgressReport progress(ui, linea);
    RunRecord record{QString()};
    record.setConnections(FileConnectionString(origineFile), FileConnectionString(destinazioneFile));
    try {
        linea = 140;
        origine->open(FileConnectionString(origineFile));
        linea = 250;
        destinazione->open(FileConnectionString(destinazioneFile));
        if (TrasferisciCodici(ui, origine, destinazione, progress, linea, &record) != TransferOutcome::Completed) {
            record.finish(QStringLiteral("nessun codice nell'origine"));
            return kUnchanged;
        }
    } catch (const RuntimeError& error) {
        record.failed(linea, error);
        ShowErrorReport(ui, QStringLiteral("trasferisci-codici"), QStringLiteral("TrasferisciCodici"), linea, error);
        record.finish(QStringLiteral("errore"));
        return kFailed;
    }
    record.finish(kOutcomeCompleted);
    ui.messageBoxWithDetails(QStringLiteral("Aggiornamento codici ABI/CAB completato."), MsgIcon::Information,
                             MsgButtons::Ok, MsgDefault::First, kTitoloMessaggi, record.summaryText());
    return kCompleted;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    // The preview, the undo and the run log have their own options.
    if (const std::optional<int> status = RunHistoryCommand(args))
        return *status;
    TakeRunOptions(args);
    const bool alwaysYes = !args.isEmpty() && args.first() == QLatin1String("--si");
    if (alwaysYes)
        args.removeFirst();
    if (args.size() != 2 || (args.first().startsWith(QLatin1Char('-')) && args.first() != QLatin1String("--profilo")))
        return Usage();

    ConsoleUiServices ui(true, alwaysYes);
    if (args.first() == QLatin1String("--profilo"))
        return RunForProfile(ui, args.at(1));
    return RunForFiles(ui, args.at(0), args.at(1));
}
