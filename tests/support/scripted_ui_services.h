#pragma once

#include "ui/ui_services.h"

#include <QMap>
#include <QStringList>
#include <deque>
#include <functional>

// User-interface services for tests: every call is recorded in order as one
// line of text, questions and input boxes are answered from a script, and the
// controls keep the state the calls leave them in.
class ScriptedUiServices : public UiServices {
public:
    struct MessageBox {
        QString text;
        int style;
        QString title;
        QString details;
    };

    // Answers for the Yes/No boxes and the input boxes, taken in order. A box
    // that finds no answer left fails the test with std::logic_error; boxes
    // with the single button OK need none.
    void answerQuestion(MsgAnswer answer) { questionAnswers_.push_back(answer); }
    void answerInput(const QString& text) { inputAnswers_.push_back(text); }
    // Runs on every pump of events, as a pending event handler would.
    void onPumpEvents(std::function<void()> handler) { onPump_ = std::move(handler); }

    const QStringList& calls() const { return calls_; }
    const std::vector<MessageBox>& messageBoxes() const { return messageBoxes_; }
    QStringList callsStartingWith(const QString& prefix) const;
    bool busyPointer() const { return busy_; }

    MsgAnswer messageBox(const QString& text, MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton,
                         const QString& title) override;
    MsgAnswer messageBoxWithDetails(const QString& text, MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton,
                                    const QString& title, const QString& details) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
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
    QStringList calls_;
    std::vector<MessageBox> messageBoxes_;
    std::deque<MsgAnswer> questionAnswers_;
    std::deque<QString> inputAnswers_;
    std::function<void()> onPump_;
    QMap<Control, QString> captions_;
    QMap<Control, bool> enabled_;
    QMap<ProgressProperty, float> progress_{
        {ProgressProperty::Min, 0.0F}, {ProgressProperty::Max, 100.0F}, {ProgressProperty::Value, 0.0F}};
    bool busy_ = false;
};
