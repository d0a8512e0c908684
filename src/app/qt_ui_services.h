#pragma once

#include "ui/ui_services.h"

#include <QPointer>

class QWidget;

// Loads Qt's Italian translations into the application, so that the
// standard buttons of the boxes read "Sì", "No" and "Annulla".
void InstallItalianQtTranslations();

// The user-interface services on Qt Widgets. The window's controls are found
// by their object names ("lbProgr", "cmdOK", ...), so any window laid out
// with those names can be driven.
class QtUiServices : public UiServices {
public:
    explicit QtUiServices(QWidget* window);
    ~QtUiServices() override;

    MsgAnswer messageBox(const QString& text, MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton,
                         const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    MsgAnswer messageBoxWithDetails(const QString& text, MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton,
                                    const QString& title, const QString& details) override;
    void setBusyPointer(bool busy) override;
    void pumpEvents() override;
    void showWindow(bool modal) override;
    void closeWindow() override;
    void repaintWindow() override;
    void setCaption(Control control, const QString& caption) override;
    QString caption(Control control) const override;
    void setEnabled(Control control, bool enabled) override;
    bool isEnabled(Control control) const override;
    void setProgress(ProgressProperty property, float value) override;
    float progress(ProgressProperty property) const override;

private:
    QWidget* control(Control which) const;

    QPointer<QWidget> window_;
    bool busy_ = false;
    QString details_;  // for the next box only
};
