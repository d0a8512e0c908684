#include "qt_ui_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <QTranslator>
#include <QWidget>
#include <cmath>
#include <stdexcept>
#include <utility>

void InstallItalianQtTranslations()
{
    // Every text the user sees is Italian, Qt's own standard buttons
    // (Sì, No, Annulla) included, whatever the desktop's language.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

QtUiServices::QtUiServices(QWidget* window) : window_(window) {}

QtUiServices::~QtUiServices()
{
    setBusyPointer(false);
}

MsgAnswer QtUiServices::messageBox(const QString& text, MsgIcon icon, MsgButtons buttons,
                                   MsgDefault defaultButton, const QString& title)
{
    QMessageBox box(window_);
    box.setWindowTitle(title);
    box.setText(text);
    if (!details_.isEmpty())
        box.setDetailedText(std::exchange(details_, {}));
    switch (icon) {
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    if (buttons == MsgButtons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        box.exec();
        return MsgAnswer::Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultButton == MsgDefault::First ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Yes) ? MsgAnswer::Yes : MsgAnswer::No;
}

MsgAnswer QtUiServices::messageBoxWithDetails(const QString& text, MsgIcon icon, MsgButtons buttons,
                                              MsgDefault defaultButton, const QString& title, const QString& details)
{
    details_ = details;
    return messageBox(text, icon, buttons, defaultButton, title);
}

QString QtUiServices::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    QInputDialog dialog(window_);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}

void QtUiServices::setBusyPointer(bool busy)
{
    // Override cursors stack in Qt; the pointer here is one setting, not a stack.
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtUiServices::pumpEvents()
{
    QApplication::processEvents();
}

void QtUiServices::showWindow(bool modal)
{
    if (!window_)
        return;
    if (!modal) {
        window_->show();
        return;
    }
    // A window already shown by its loading keeps its place and simply
    // becomes the one the program waits on.
    if (!window_->isVisible()) {
        window_->setWindowModality(Qt::ApplicationModal);
        window_->show();
    }
    // Like a modal form: the caller waits here until the window has closed.
    while (window_ && window_->isVisible())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtUiServices::closeWindow()
{
    if (window_)
        window_->close();
}

void QtUiServices::repaintWindow()
{
    if (window_)
        window_->repaint();
}

QWidget* QtUiServices::control(Control which) const
{
    if (!window_)
        throw std::logic_error("the window is gone");
    if (which == Control::fmAgab)
        return window_;
    auto* widget = window_->findChild<QWidget*>(ControlName(which));
    if (!widget)
        throw std::logic_error("the window has no control " + ControlName(which).toStdString());
    return widget;
}

void QtUiServices::setCaption(Control which, const QString& caption)
{
    QWidget* widget = control(which);
    if (which == Control::fmAgab)
        widget->setWindowTitle(caption);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(caption);
    else if (auto* frame = qobject_cast<QGroupBox*>(widget))
        frame->setTitle(caption);
    else
        throw std::logic_error("control without caption: " + ControlName(which).toStdString());
}

QString QtUiServices::caption(Control which) const
{
    QWidget* widget = control(which);
    if (which == Control::fmAgab)
        return widget->windowTitle();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(widget))
        return frame->title();
    throw std::logic_error("control without caption: " + ControlName(which).toStdString());
}

void QtUiServices::setEnabled(Control which, bool enabled)
{
    control(which)->setEnabled(enabled);
}

bool QtUiServices::isEnabled(Control which) const
{
    return control(which)->isEnabled();
}

void QtUiServices::setProgress(ProgressProperty property, float value)
{
    auto* bar = qobject_cast<QProgressBar*>(control(Control::pbProgr));
    if (!bar)
        throw std::logic_error("pbProgr is not a progress bar");
    const int whole = static_cast<int>(std::lround(value));
    switch (property) {
    case ProgressProperty::Min: bar->setMinimum(whole); break;
    case ProgressProperty::Max: bar->setMaximum(whole); break;
    case ProgressProperty::Value: bar->setValue(whole); break;
    }
}

float QtUiServices::progress(ProgressProperty property) const
{
    auto* bar = qobject_cast<QProgressBar*>(control(Control::pbProgr));
    if (!bar)
        throw std::logic_error("pbProgr is not a progress bar");
    switch (property) {
    case ProgressProperty::Min: return static_cast<float>(bar->minimum());
    case ProgressProperty::Max: return static_cast<float>(bar->maximum());
    case ProgressProperty::Value: return static_cast<float>(bar->value());
    }
    return 0.0F;
}
