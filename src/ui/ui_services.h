#pragma once

#include <QString>

// The user-interface services every procedure talks to the user through.
// Procedures take them as a parameter or member, so that tests can put a
// scripted implementation in place of the real one on Qt Widgets.

enum class MsgIcon { Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, YesNo };
enum class MsgDefault { First, Second };
enum class MsgAnswer { Ok, Yes, No };

// The controls of the main window, named as the window names them.
enum class Control { fmAgab, Frame1, Label1, lbProgr, pbProgr, cmdOK, cmdCancel, cmdProfilo };
enum class ProgressProperty { Min, Max, Value };

// The style value of a message box: the sum of the platform's codes
// (Yes/No 4, critical 16, question 32, exclamation 48, information 64,
// second button as default 256).
int MsgBoxStyle(MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton);

QString ControlName(Control control);

class UiServices {
public:
    virtual ~UiServices() = default;

    // A modal box; answers the button pressed.
    virtual MsgAnswer messageBox(const QString& text, MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton,
                                 const QString& title) = 0;
    // A modal box with a details area under its text (Qt's "Mostra
    // dettagli..."); where there is none, the details follow the text.
    virtual MsgAnswer messageBoxWithDetails(const QString& text, MsgIcon icon, MsgButtons buttons,
                                            MsgDefault defaultButton, const QString& title, const QString& details)
    {
        return messageBox(details.isEmpty() ? text : text + QStringLiteral("\n\n") + details, icon, buttons,
                          defaultButton, title);
    }
    // A modal box with one line of text; answers the text on OK, empty text on Cancel.
    virtual QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) = 0;

    // The application-wide mouse pointer: busy (hourglass) or default.
    virtual void setBusyPointer(bool busy) = 0;
    // Processes the pending window events once and returns.
    virtual void pumpEvents() = 0;

    virtual void showWindow(bool modal) = 0;
    virtual void closeWindow() = 0;
    virtual void repaintWindow() = 0;

    // Caption of a label, frame or button (the window's title for fmAgab).
    virtual void setCaption(Control control, const QString& caption) = 0;
    virtual QString caption(Control control) const = 0;
    virtual void setEnabled(Control control, bool enabled) = 0;
    virtual bool isEnabled(Control control) const = 0;
    // Min, Max and Value of the progress bar.
    virtual void setProgress(ProgressProperty property, float value) = 0;
    virtual float progress(ProgressProperty property) const = 0;
};
