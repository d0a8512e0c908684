// The update of the bank codes from the command line, for administrators and
// for the demo: the same update run as the window's "OK", its boxes printed
// on the terminal and its questions asked there. The arguments are read by
// command_line.cpp, which also holds the help.
#include "cli/command_line.h"
#include "cli/console_ui_services.h"
#include "cli/history_commands.h"
#include "platform/runtime/runtime_error.h"
#include "settings/profile_selection.h"
#include "ui/error_report.h"
#include "update/code_transfer.h"
#include "update/progress_report.h"
#include "update/run_record.h"
#include "update/update_run.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr int kCompleted = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kUnchanged = 3;

int ReportUsageError(const QString& message)
{
    QTextStream(stderr) << "trasferisci-codici: " << message << '\n'
                        << UsageLines() << "Per l'aiuto: trasferisci-codici --help\n";
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
// between databases by hand. The change is as final as the profile's, so it
// is confirmed alike.
int RunForFiles(UiServices& ui, const QString& origineFile, const QString& destinazioneFile)
{
    if (ui.messageBox(TestoConfermaAggiornamento(), MsgIcon::Question, MsgButtons::YesNo, MsgDefault::First,
                      kTitoloMessaggi)
        == MsgAnswer::No)
        return kUnchanged;
    int linea = 0;
    auto origine = std::make_unique<Connection>();
    auto destinazione = std::make_unique<Connection>();
    ProgressReport progress(ui, linea);
    RunRecord record{QString()};
    record.setConnections(FileConnectionString(origineFile), FileConnectionString(destinazioneFile));
    try {
        linea = 140;
        origine->openFile(origineFile);
        linea = 250;
        destinazione->openFile(destinazioneFile);
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
    CommandLine line;
    try {
        line = ParseCommandLine(app.arguments().mid(1));
    } catch (const UsageError& error) {
        return ReportUsageError(error.message);
    }
    if (line.help) {
        QTextStream(stdout) << HelpText();
        return kCompleted;
    }
    if (line.version) {
        QTextStream(stdout) << "trasferisci-codici " CORVANTA_VERSION "\n";
        return kCompleted;
    }

    switch (line.mode) {
        case CommandLine::Mode::Preview: return PreviewUpdate(line);
        case CommandLine::Mode::Restore: return RestoreFromBackup(line);
        case CommandLine::Mode::Log: return PrintRunLog();
        case CommandLine::Mode::Update: break;
    }
    KeepBankDetailsInRuns(line.keepBankDetails);
    ConsoleUiServices ui(true, line.alwaysYes);
    if (!line.profile.isEmpty())
        return RunForProfile(ui, line.profile);
    return RunForFiles(ui, line.origin, line.destination);
}
