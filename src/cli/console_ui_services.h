#pragma once

#include "ui/ui_services.h"

#include <QMap>

// The user-interface services on a terminal, for the command-line helpers:
// boxes are written to standard error and answered on standard input, and the
// progress caption is shown on one line that each new caption overwrites.
// With `alwaysYes` every Yes/No question is answered Yes without asking.
class ConsoleUiServices : public UiServices {
public:
    explicit ConsoleUiServices(bool showProgress, bool alwaysYes = false);
    ~ConsoleUiServices() override;

    MsgAnswer messageBox(const QString& text, MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton,
                         const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    void setBusyPointer(bool) override {}
    void pumpEvents() override {}
    void showWindow(bool) override {}
    void closeWindow() override {}
    void repaintWindow() override {}
    void setCaption(Control control, const QString& caption) override;
    QString caption(Control control) const override { return captions_.value(control); }
    void setEnabled(Control control, bool enabled) override { enabled_[control] = enabled; }
    bool isEnabled(Control control) const override { return enabled_.value(control, true); }
    void setProgress(ProgressProperty property, float value) override { progress_[property] = value; }
    float progress(ProgressProperty property) const override { return progress_.value(property); }

    // How many boxes with the critical icon (error reports and the refusals
    // of a run) have been shown so far.
    int criticalBoxes() const { return criticalBoxes_; }

private:
    void endProgressLine();

    bool showProgress_;
    bool alwaysYes_;
    bool toTerminal_;  // standard error, where the progress goes
    bool progressLineOpen_ = false;
    int criticalBoxes_ = 0;
    QMap<Control, QString> captions_;
    QMap<Control, bool> enabled_;
    QMap<ProgressProperty, float> progress_;
};
