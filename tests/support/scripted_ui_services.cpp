#include "support/scripted_ui_services.h"

#include <stdexcept>

namespace {

QString PropertyName(ProgressProperty property)
{
    switch (property) {
        case ProgressProperty::Min: return QStringLiteral("Min");
        case ProgressProperty::Max: return QStringLiteral("Max");
        case ProgressProperty::Value: return QStringLiteral("Value");
    }
    return {};
}

}  // namespace

QStringList ScriptedUiServices::callsStartingWith(const QString& prefix) const
{
    QStringList matching;
    for (const QString& call : calls_) {
        if (call.startsWith(prefix))
            matching.append(call);
    }
    return matching;
}

MsgAnswer ScriptedUiServices::messageBox(const QString& text, MsgIcon icon, MsgButtons buttons,
                                         MsgDefault defaultButton, const QString& title)
{
    const int style = MsgBoxStyle(icon, buttons, defaultButton);
    calls_.append(QStringLiteral("MsgBox(%1, %2): %3").arg(style).arg(title, text));
    messageBoxes_.push_back({text, style, title, {}});
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    if (questionAnswers_.empty())
        throw std::logic_error("no scripted answer for the question: " + text.toStdString());
    const MsgAnswer answer = questionAnswers_.front();
    questionAnswers_.pop_front();
    return answer;
}

MsgAnswer ScriptedUiServices::messageBoxWithDetails(const QString& text, MsgIcon icon, MsgButtons buttons,
                                                    MsgDefault defaultButton, const QString& title,
                                                    const QString& details)
{
    const MsgAnswer answer = messageBox(text, icon, buttons, defaultButton, title);
    messageBoxes_.back().details = details;
    return answer;
}

QString ScriptedUiServices::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    calls_.append(QStringLiteral("InputBox(%1, %2): %3").arg(title, defaultText, prompt));
    if (inputAnswers_.empty())
        throw std::logic_error("no scripted answer for the input box: " + prompt.toStdString());
    QString answer = inputAnswers_.front();
    inputAnswers_.pop_front();
    return answer;
}

void ScriptedUiServices::setBusyPointer(bool busy)
{
    busy_ = busy;
    calls_.append(busy ? QStringLiteral("Pointer(busy)") : QStringLiteral("Pointer(default)"));
}

void ScriptedUiServices::pumpEvents()
{
    calls_.append(QStringLiteral("PumpEvents"));
    if (onPump_)
        onPump_();
}

void ScriptedUiServices::showWindow(bool modal)
{
    calls_.append(modal ? QStringLiteral("ShowWindow(modal)") : QStringLiteral("ShowWindow(modeless)"));
}

void ScriptedUiServices::closeWindow()
{
    calls_.append(QStringLiteral("CloseWindow"));
}

void ScriptedUiServices::repaintWindow()
{
    calls_.append(QStringLiteral("RepaintWindow"));
}

void ScriptedUiServices::setCaption(Control control, const QString& caption)
{
    calls_.append(QStringLiteral("Caption(%1): %2").arg(ControlName(control), caption));
    captions_[control] = caption;
}

QString ScriptedUiServices::caption(Control control) const
{
    return captions_.value(control);
}

void ScriptedUiServices::setEnabled(Control control, bool enabled)
{
    calls_.append(QStringLiteral("Enabled(%1): %2")
                      .arg(ControlName(control), enabled ? QStringLiteral("true") : QStringLiteral("false")));
    enabled_[control] = enabled;
}

bool ScriptedUiServices::isEnabled(Control control) const
{
    return enabled_.value(control, true);
}

void ScriptedUiServices::setProgress(ProgressProperty property, float value)
{
    calls_.append(QStringLiteral("Progress(%1): %2").arg(PropertyName(property)).arg(value));
    progress_[property] = value;
}

float ScriptedUiServices::progress(ProgressProperty property) const
{
    return progress_.value(property);
}
