#pragma once

#include "app/qt_ui_services.h"
#include "update/update_run.h"

#include <QCoreApplication>
#include <QWidget>

class QCloseEvent;

// Why the window is asked to close, as Form_QueryUnload is told.
enum MotivoChiusura : int {
    kChiusuraDaFinestra = 0,    // the user, through the window manager (close box, Alt+F4)
    kChiusuraDalProgramma = 1,  // the tool itself ("Annulla", "Termina", the end of the start-up)
    kChiusuraFineSessione = 2,  // the desktop session is ending
};

// The tool's one window. It owns the update run for its whole life and the
// user-interface services the run, the profile selection and the window's
// own handlers talk to the user through.
class fmAgab : public QWidget {
    Q_OBJECT
public:
    // `cartellaProgramma`: where Abicab.mdb is read from.
    explicit fmAgab(const QString& cartellaProgramma = QCoreApplication::applicationDirPath());

    // Loading the window: shows it, then selects the profile "Corvanta" or
    // one the user names; an empty answer closes the window.
    void Form_Load();

    // Sets `cancel` to refuse a close: only the user's own close while a run
    // is in progress is refused.
    void Form_QueryUnload(bool& cancel, int motivo);

    // The desktop session is ending: the window closes, even during a run.
    void FineSessione();

    UiServices& ui() { return ui_; }
    UpdateRun& aggiornamento() { return run_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdProfilo_Click();

private:
    void creaControlli();

    QtUiServices ui_;
    UpdateRun run_;
    bool fineSessione_ = false;
};

// The start of the program: the window, shown modally until it closes.
void Main(const QString& cartellaProgramma);
