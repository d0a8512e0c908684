#pragma once

#include "ui/ui_services.h"
#include "update/database_access.h"

#include <memory>

class RunRecord;

// How the last update run ended, for callers that tell the outcomes apart
// (the command line's exit status); the window only looks at the controls.
enum class RunOutcome { NotRun, Completed, Declined, ReleaseRefused, NoCodes, Failed };

// The update run and what the main window keeps for it: the flag that locks
// the window while a run is in progress and the two connections, which
// outlive a run that fails (the next run replaces them). The window owns one
// for its whole life; the run talks to the user only through `ui`.
class UpdateRun {
public:
    // `cartellaProgramma`: the folder Abicab.mdb is read from, as the
    // platform names the program's own folder.
    UpdateRun(UiServices& ui, QString cartellaProgramma);

    // The whole run, from the confirmation to the completion message, on the
    // profile that profile selection made current. True when the codes were
    // replaced; every other end (declined, release refused, no codes, an
    // error reported to the user) leaves the procedure database unchanged.
    bool CopiaAbiCab();

    RunOutcome esito() const { return esito_; }

    bool AggiornamentoInCorso = false;
    std::unique_ptr<Connection> ConnessioneOrigine;
    std::unique_ptr<Connection> ConnessioneDestinazione;

private:
    bool CopiaAbiCab(RunRecord& record);

    UiServices& ui_;
    QString cartellaProgramma_;
    RunOutcome esito_ = RunOutcome::NotRun;
};

// The confirmation the run asks for before it changes anything.
QString TestoConfermaAggiornamento();
