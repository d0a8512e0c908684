#include "history_commands.h"

#include "code_restore.h"
#include "connections.h"
#include "console_ui_services.h"
#include "error_report.h"
#include "profile_selection.h"
#include "profile_settings.h"
#include "release_check.h"
#include "run_log.h"
#include "run_record.h"
#include "runtime_error.h"
#include "state_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kUnchanged = 3;

enum class Mode { None, Preview, Restore, Log };

struct HistoryArguments {
    Mode mode = Mode::None;
    bool alwaysYes = false;
    QString profile;
    QString csv;
    QString backupFile;
    QStringList files;
    bool valid = true;
};

HistoryArguments Parse(const QStringList& arguments)
{
    HistoryArguments parsed;
    const auto setMode = [&parsed](Mode mode) {
        parsed.valid = parsed.valid && parsed.mode == Mode::None;
        parsed.mode = mode;
    };
    // The value of an option: the next argument, which must be there.
    const auto value = [&](qsizetype& i) {
        if (i + 1 >= arguments.size()) {
            parsed.valid = false;
            return QString();
        }
        return arguments.at(++i);
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--anteprima"))
            setMode(Mode::Preview);
        else if (argument == QLatin1String("--storico"))
            setMode(Mode::Log);
        else if (argument == QLatin1String("--ripristina")) {
            setMode(Mode::Restore);
            if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1Char('-')))
                parsed.backupFile = arguments.at(++i);
        } else if (argument == QLatin1String("--si"))
            parsed.alwaysYes = true;
        else if (argument == QLatin1String("--profilo"))
            parsed.profile = value(i);
        else if (argument == QLatin1String("--csv"))
            parsed.csv = value(i);
        else if (argument.startsWith(QLatin1Char('-')))
            parsed.valid = false;
        else
            parsed.files << argument;
    }
    const bool hasProfile = !parsed.profile.isEmpty();
    switch (parsed.mode) {
    case Mode::None: break;
    case Mode::Preview:
        parsed.valid = parsed.valid && (hasProfile ? parsed.files.isEmpty() : parsed.files.size() == 2);
        break;
    case Mode::Restore: parsed.valid = parsed.valid && hasProfile && parsed.files.isEmpty() && parsed.csv.isEmpty(); break;
    case Mode::Log:
        parsed.valid = parsed.valid && !hasProfile && parsed.files.isEmpty() && parsed.csv.isEmpty();
        break;
    }
    return parsed;
}

int Usage()
{
    QTextStream(stderr) << "Uso:\n" << HistoryUsage();
    return kUsage;
}

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
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("Impossibile scrivere il file %1. (%2)").arg(path, file.errorString()));
    const QByteArray text = (summary.csvLines().join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    if (file.write(text) != text.size() || !file.flush())
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("Impossibile scrivere il file %1. (%2)").arg(path, file.errorString()));
}

// The source tables as a run reads them; an empty one is told as the run
// tells it, and answers false.
bool OpenSource(ConsoleUiServices& ui, Connection& origine, Recordset& abi, Recordset& cab)
{
    abi.open(QStringLiteral("SELECT * FROM abi"), origine);
    cab.open(QStringLiteral("SELECT * FROM abicab"), origine);
    const QString empty = abi.eof()   ? QStringLiteral("Nessun codice ABI rilevato dal database di origine.")
                          : cab.eof() ? QStringLiteral("Nessun codice CAB rilevato dal database di origine.")
                                      : QString();
    if (!empty.isEmpty())
        ui.messageBox(empty, MsgIcon::Critical, MsgButtons::Ok, MsgDefault::First, kTitoloMessaggi);
    return empty.isEmpty();
}

// Reads both databases and writes nothing to them: the release is checked
// as a run checks it, then the source is compared with the codes a run
// would delete.
int Preview(const HistoryArguments& arguments)
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
            origine.open(FileConnectionString(arguments.files.at(0)));
            linea = 250;
            destinazione.open(FileConnectionString(arguments.files.at(1)));
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
        const RunSummary summary = CompareCodes(abi, cab, ReadCodesFromAThousand(destinazione));
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

QString RestoreQuestion(const DeletionBackup& backup)
{
    return QStringLiteral("Il ripristino sostituisce i codici ABI e CAB dell'archivio procedura con codice ABI pari o "
                          "superiore a 1000 con quelli salvati dall'aggiornamento del %1 (copia %2).")
               .arg(QLocale(QLocale::Italian).toString(backup.record().started.toLocalTime(), QLocale::ShortFormat),
                    backup.path())
        + QStringLiteral("\r\n\r\n") + QStringLiteral("Procedere con il ripristino dei codici Abi/Cab?");
}

int Restore(const HistoryArguments& arguments)
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
        QString path = arguments.backupFile;
        if (path.isEmpty())
            path = DeletionBackup::latestCompleted(BackupFolder(), profile);
        if (path.isEmpty())
            throw RuntimeError(ErrorNumber::Failure,
                               QStringLiteral("Nessuna copia di un aggiornamento completato del profilo %1 in %2.")
                                   .arg(profile, BackupFolder()));
        const DeletionBackup backup = DeletionBackup::read(path);
        if (backup.record().profile.compare(profile, Qt::CaseInsensitive) != 0)
            throw RuntimeError(ErrorNumber::InvalidArgument,
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
        if (ui.messageBoxWithDetails(RestoreQuestion(backup), MsgIcon::Question, MsgButtons::YesNo,
                                     MsgDefault::Second, kTitoloMessaggi, summary.text())
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

int PrintLog()
{
    const QString log = ReadRunLog();
    if (log.isEmpty())
        Out() << "Nessuna esecuzione registrata in " << RunLogPath() << ".\n";
    else
        Out() << log;
    Out() << Qt::flush;
    return kDone;
}

}  // namespace

QString HistoryUsage()
{
    return QStringLiteral(
        "     trasferisci-codici --anteprima [--csv FILE] --profilo NOME\n"
        "     trasferisci-codici --anteprima [--csv FILE] ORIGINE DESTINAZIONE\n"
        "     trasferisci-codici --ripristina [COPIA] --profilo NOME [--si]\n"
        "     trasferisci-codici --storico\n"
        "     trasferisci-codici --conserva-dati-banche [--si] (--profilo NOME | ORIGINE DESTINAZIONE)\n"
        "--anteprima mostra che cosa cambierebbe un aggiornamento senza modificare nulla; --csv scrive\n"
        "una riga per ogni codice aggiunto, rimosso o modificato. --ripristina rimette i codici sostituiti\n"
        "da un aggiornamento, dalla sua copia (senza COPIA, l'ultimo aggiornamento completato del profilo).\n"
        "--storico mostra il registro delle esecuzioni. --conserva-dati-banche riscrive, per ogni codice\n"
        "che resta, le colonne di ABI e ABICAB che l'origine non fornisce (come il codice BIC).\n"
        "Copie e registro sono in ")
        + StateFolder() + QStringLiteral(".\n");
}

void TakeRunOptions(QStringList& arguments)
{
    KeepBankDetailsInRuns(arguments.removeAll(QStringLiteral("--conserva-dati-banche")) > 0);
}

std::optional<int> RunHistoryCommand(const QStringList& arguments)
{
    const HistoryArguments parsed = Parse(arguments);
    if (parsed.mode == Mode::None)
        return std::nullopt;
    if (!parsed.valid)
        return Usage();
    switch (parsed.mode) {
    case Mode::Preview: return Preview(parsed);
    case Mode::Restore: return Restore(parsed);
    case Mode::Log: return PrintLog();
    case Mode::None: break;
    }
    return std::nullopt;
}
