#include "cli/history_commands.h"

#include "cli/command_line.h"
#include "cli/console_ui_services.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/system_error.h"
#include "settings/profile_selection.h"
#include "settings/profile_settings.h"
#include "ui/error_report.h"
#include "update/code_restore.h"
#include "update/connections.h"
#include "update/release_check.h"
#include "update/run_log.h"
#include "update/run_record.h"
#include "update/state_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUnchanged = 3;

QTextStream& Out()
{
    static QTextStream stream(stdout);
    return stream;
}

// The profile as the window checks it: refused without an installation,
// asked about when it is a client's. Nothing when it is accepted.
std::optional<int> SelectProfile(ConsoleUiServices& ui, const QString& profile)
{
    const int criticalBefore = ui.criticalBoxes();
    if (SelezionaProfilo(ui, profile))
        return std::nullopt;
    return ui.criticalBoxes() > criticalBefore ? kFailed : kUnchanged;
}

void WriteCsv(const QString& path, const RunSummary& summary)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        throw RuntimeError(
            ErrorNumber::Failure,
            QStringLiteral("Impossibile scrivere il file %1: %2.").arg(path, DescrizioneErroreFile(file)));
    const QByteArray text = (summary.csvLines().join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    if (file.write(text) != text.size() || !file.flush())
        throw RuntimeError(
            ErrorNumber::Failure,
            QStringLiteral("Impossibile scrivere il file %1: %2.").arg(path, DescrizioneErroreFile(file)));
}

// The source tables as a run reads them; an empty one is told as the run
// tells it, and answers false.
bool OpenSource(ConsoleUiServices& ui, Connection& origine, Recordset& abi, Recordset& cab)
{
    abi.open(QStringLiteral("SELECT * FROM abi"), origine);
    cab.open(QStringLiteral("SELECT * FROM abicab"), origine);
    const QString empty = abi.eof() ? QStringLiteral("Nessun codice ABI rilevato dal database di origine.")
        : cab.eof()                 ? QStringLiteral("Nessun codice CAB rilevato dal database di origine.")
                                    : QString();
    if (!empty.isEmpty())
        ui.messageBox(empty, MsgIcon::Critical, MsgButtons::Ok, MsgDefault::First, kTitoloMessaggi);
    return empty.isEmpty();
}

// Reads both databases and writes nothing to them: the release is checked
// as a run checks it, then the source is compared with the codes a run
// would delete.
}  // namespace

int PreviewUpdate(const CommandLine& arguments)
{
    ConsoleUiServices ui(false, arguments.alwaysYes);
    if (!arguments.profile.isEmpty()) {
        if (const std::optional<int> refused = SelectProfile(ui, arguments.profile))
            return *refused;
    }
    int linea = 0;
    try {
        Connection origine;
        Connection destinazione;
        if (arguments.profile.isEmpty()) {
            linea = 140;
            origine.openFile(arguments.origin);
            linea = 250;
            destinazione.openFile(arguments.destination);
        } else {
            linea = 140;
            origine.open(StringaConnessioneOrigine(TestoOrigine(QCoreApplication::applicationDirPath())));
            ComponiConnessioneDestinazione(linea);
            linea = 250;
            destinazione.open(StringaConnessioneDestinazione());
            const std::int32_t release = LeggiRelease(destinazione, linea);
            if (!IsReleaseSupportata(release)) {
                ui.messageBox(MessaggioReleaseNonSupportata(release), MsgIcon::Critical, MsgButtons::Ok,
                              MsgDefault::First, kTitoloMessaggi);
                return kUnchanged;
            }
        }
        linea = 440;
        Recordset abi;
        Recordset cab;
        if (!OpenSource(ui, origine, abi, cab))
            return kUnchanged;
        linea = 805;
        const RunSummary summary = CompareCodes(abi.allRows(), cab.allRows(), ReadCodesFromAThousand(destinazione));
        Out() << "Anteprima dell'aggiornamento dei codici ABI/CAB (l'archivio procedura non è stato modificato):\n"
              << summary.text() << '\n'
              << Qt::flush;
        if (!arguments.csv.isEmpty())
            WriteCsv(arguments.csv, summary);
    } catch (const RuntimeError& error) {
        ShowErrorReport(ui, QStringLiteral("trasferisci-codici"), QStringLiteral("Anteprima"), linea, error);
        return kFailed;
    }
    return kDone;
}

namespace {

QString RestoreQuestion(const DeletionBackup& backup)
{
    return QStringLiteral(
               "Il ripristino sostituisce i codici ABI e CAB dell'archivio procedura con codice ABI pari o "
               "superiore a 1000 con quelli salvati dall'aggiornamento del %1 (copia %2).")
               .arg(QLocale(QLocale::Italian).toString(backup.record().started.toLocalTime(), QLocale::ShortFormat),
                    backup.path())
        + QStringLiteral("\r\n\r\n") + QStringLiteral("Procedere con il ripristino dei codici Abi/Cab?");
}

}  // namespace

int RestoreFromBackup(const CommandLine& arguments)
{
    ConsoleUiServices ui(false, arguments.alwaysYes);
    if (const std::optional<int> refused = SelectProfile(ui, arguments.profile))
        return *refused;
    const QString profile = VarGlobali.ProfiloCorrente;
    QElapsedTimer timer;
    timer.start();
    RunLogEntry entry{QDateTime::currentDateTimeUtc(), CurrentUserName(), profile, {}, {}, {}, 0, 0, {}, 0};
    const auto finish = [&](const QString& outcome, int status) {
        entry.outcome = outcome;
        entry.durationMs = timer.elapsed();
        try {
            AppendRunLog(entry);
        } catch (const RuntimeError& error) {
            QTextStream(stderr) << error.description() << '\n';
        }
        return status;
    };
    int linea = 10;
    try {
        QString path = arguments.backup;
        if (path.isEmpty())
            path = DeletionBackup::latestCompleted(BackupFolder(), profile);
        if (path.isEmpty())
            throw RuntimeError(ErrorNumber::Failure,
                               QStringLiteral("Nessuna copia di un aggiornamento completato del profilo %1 in %2.")
                                   .arg(profile, BackupFolder()));
        const DeletionBackup backup = DeletionBackup::read(path);
        if (backup.record().profile.compare(profile, Qt::CaseInsensitive) != 0)
            throw RuntimeError(
                ErrorNumber::InvalidArgument,
                QStringLiteral("La copia %1 è di un aggiornamento del profilo '%2', non del profilo '%3'.")
                    .arg(path, backup.record().profile, profile));
        entry.sourceDigest = backup.record().sourceDigest;
        linea = 20;
        int composing = 0;
        ComponiConnessioneDestinazione(composing);
        entry.destination = WithoutPasswords(StringaConnessioneDestinazione());
        Connection destinazione;
        destinazione.open(StringaConnessioneDestinazione());
        linea = 30;
        const SavedCodes current = ReadCodesFromAThousand(destinazione);
        const RunSummary summary = CompareCodes(backup.codes(), current);
        linea = 40;
        if (ui.messageBoxWithDetails(RestoreQuestion(backup), MsgIcon::Question, MsgButtons::YesNo, MsgDefault::Second,
                                     kTitoloMessaggi, summary.text())
            == MsgAnswer::No)
            return finish(QStringLiteral("ripristino non confermato"), kUnchanged);
        // What the undo replaces is kept too, so that it can be undone in turn.
        linea = 50;
        DeletionBackup::write(BackupFolder(),
                              {profile, entry.started, entry.destination, {}, QStringLiteral("ripristino")}, current);
        RestoreCodes(destinazione, backup.codes(), linea);
        destinazione.close();
    } catch (const RuntimeError& error) {
        entry.errorLine = linea;
        entry.errorNumber = error.number();
        ShowErrorReport(ui, QStringLiteral("trasferisci-codici"), QStringLiteral("RipristinaCodici"), linea, error);
        return finish(QStringLiteral("errore nel ripristino"), kFailed);
    }
    ui.messageBox(QStringLiteral("Ripristino dei codici ABI/CAB completato."), MsgIcon::Information, MsgButtons::Ok,
                  MsgDefault::First, kTitoloMessaggi);
    return finish(QStringLiteral("ripristino completato"), kDone);
}

int PrintRunLog()
{
    const QString log = ReadRunLog();
    if (log.isEmpty())
        Out() << "Nessuna esecuzione registrata in " << RunLogPath() << ".\n";
    else
        Out() << log;
    Out() << Qt::flush;
    return kDone;
}
