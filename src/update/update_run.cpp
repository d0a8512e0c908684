#include "update/update_run.h"

#include "platform/runtime/runtime_error.h"
#include "settings/profile_settings.h"
#include "ui/error_report.h"
#include "update/code_transfer.h"
#include "update/connections.h"
#include "update/progress_report.h"
#include "update/release_check.h"
#include "update/run_record.h"

#include <new>

namespace {

// The end of every run (lines 1470 to 1510), after a completion, a refusal
// or an error report alike: the window is unlocked.
void Unlock(UiServices& ui, bool& aggiornamentoInCorso)
{
    aggiornamentoInCorso = false;
    ui.setEnabled(Control::cmdCancel, true);
    ui.setEnabled(Control::cmdOK, true);
    ui.setEnabled(Control::cmdProfilo, true);
    ui.setBusyPointer(false);
}

// How the run log names each end of a run.
QString OutcomeText(RunOutcome esito)
{
    switch (esito) {
        case RunOutcome::Completed: return kOutcomeCompleted;
        case RunOutcome::Declined: return QStringLiteral("non confermato");
        case RunOutcome::ReleaseRefused: return QStringLiteral("release non supportata");
        case RunOutcome::NoCodes: return QStringLiteral("nessun codice nell'origine");
        case RunOutcome::NotRun:
        case RunOutcome::Failed: break;
    }
    return QStringLiteral("errore");
}

}  // namespace

QString TestoConfermaAggiornamento()
{
    return QStringLiteral(
               "Questo aggiornamento sostituisce completamente i codici ABI e CAB presenti nell'archivio procedura "
               "(con codice ABI pari o superiore a 1000), per annullarlo occorre ripristinare le copie di backup "
               "dell'archivio procedura ARCPROC che devono essere disponibili e aggiornate. Attenzione! I codici "
               "Bic/Swift eventualmente indicati sulle banche andranno persi.")
        + QStringLiteral("\r\n\r\n") + QStringLiteral("Procedere con l'aggiornamneto dei codici Abi/Cab?");
}

UpdateRun::UpdateRun(UiServices& ui, QString cartellaProgramma)
    : ui_(ui), cartellaProgramma_(std::move(cartellaProgramma))
{
}

bool UpdateRun::CopiaAbiCab()
{
    RunRecord record(VarGlobali.ProfiloCorrente);
    const bool result = CopiaAbiCab(record);
    record.finish(OutcomeText(esito_));
    return result;
}

bool UpdateRun::CopiaAbiCab(RunRecord& record)
{
    int linea = 10;
    bool result = false;
    try {
        linea = 20;
        result = false;
        esito_ = RunOutcome::Failed;
        linea = 30;
        if (ui_.messageBox(TestoConfermaAggiornamento(), MsgIcon::Question, MsgButtons::YesNo, MsgDefault::First,
                           kTitoloMessaggi)
            == MsgAnswer::No) {
            esito_ = RunOutcome::Declined;
            Unlock(ui_, AggiornamentoInCorso);
            return result;
        }
        linea = 60;
        AggiornamentoInCorso = true;
        linea = 70;
        ui_.setEnabled(Control::cmdCancel, false);
        linea = 80;
        ui_.setEnabled(Control::cmdOK, false);
        linea = 90;
        ui_.setEnabled(Control::cmdProfilo, false);
        linea = 95;
        ui_.setBusyPointer(true);
        linea = 100;
        ui_.setCaption(Control::lbProgr, QStringLiteral("Apertura database di origine in corso..."));
        linea = 110;
        ui_.pumpEvents();

        linea = 120;
        const QString origine = TestoOrigine(cartellaProgramma_);
        linea = 130;
        ConnessioneOrigine = std::make_unique<Connection>();
        linea = 140;
        ConnessioneOrigine->open(StringaConnessioneOrigine(origine));

        linea = 150;
        ui_.setCaption(Control::lbProgr, QStringLiteral("Apertura database di destinazione in corso..."));
        linea = 160;
        ui_.pumpEvents();
        ComponiConnessioneDestinazione(linea);
        linea = 240;
        ConnessioneDestinazione = std::make_unique<Connection>();
        record.setConnections(StringaConnessioneOrigine(origine), StringaConnessioneDestinazione());
        linea = 250;
        ConnessioneDestinazione->open(StringaConnessioneDestinazione());

        const std::int32_t release = LeggiRelease(*ConnessioneDestinazione, linea);
        linea = 340;
        if (!IsReleaseSupportata(release)) {
            CloseAndDiscard(ConnessioneOrigine, linea, 350);
            CloseAndDiscard(ConnessioneDestinazione, linea, 370);
            linea = 390;
            ui_.messageBox(MessaggioReleaseNonSupportata(release), MsgIcon::Critical, MsgButtons::Ok, MsgDefault::First,
                           kTitoloMessaggi);
            esito_ = RunOutcome::ReleaseRefused;
            Unlock(ui_, AggiornamentoInCorso);
            return result;
        }

        linea = 420;
        ui_.setCaption(Control::lbProgr, QStringLiteral("Apertura dati di origine in corso..."));
        linea = 430;
        ui_.pumpEvents();
        ProgressReport progress(ui_, linea);
        if (TrasferisciCodici(ui_, ConnessioneOrigine, ConnessioneDestinazione, progress, linea, &record)
            != TransferOutcome::Completed) {
            esito_ = RunOutcome::NoCodes;
            Unlock(ui_, AggiornamentoInCorso);
            return result;
        }

        CloseAndDiscard(ConnessioneDestinazione, linea, 1310);
        CloseAndDiscard(ConnessioneOrigine, linea, 1330);
        linea = 1350;
        ui_.setCaption(Control::lbProgr, QStringLiteral("Nessuna."));
        linea = 1360;
        ui_.setCaption(Control::cmdCancel, QStringLiteral("Termina"));
        linea = 1370;
        AggiornamentoInCorso = false;
        linea = 1380;
        ui_.setEnabled(Control::cmdCancel, true);
        linea = 1390;
        ui_.setEnabled(Control::cmdOK, true);
        linea = 1400;
        ui_.setEnabled(Control::cmdProfilo, true);
        linea = 1405;
        ui_.setBusyPointer(false);
        linea = 1410;
        ui_.setProgress(ProgressProperty::Value, 0.0F);
        linea = 1420;
        ui_.repaintWindow();
        linea = 1430;
        ui_.messageBoxWithDetails(QStringLiteral("Aggiornamento codici ABI/CAB completato."), MsgIcon::Information,
                                  MsgButtons::Ok, MsgDefault::First, kTitoloMessaggi, record.summaryText());
        linea = 1440;
        result = true;
        esito_ = RunOutcome::Completed;
    } catch (const RuntimeError& error) {
        record.failed(linea, error);
        ShowErrorReport(ui_, QStringLiteral("fmAgab"), QStringLiteral("CopiaAbiCab"), linea, error);
    } catch (const std::bad_alloc&) {
        record.failed(linea, RuntimeError::outOfMemory());
        ShowErrorReport(ui_, QStringLiteral("fmAgab"), QStringLiteral("CopiaAbiCab"), linea,
                        RuntimeError::outOfMemory());
    }
    Unlock(ui_, AggiornamentoInCorso);
    return result;
}
