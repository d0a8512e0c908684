#include "app/qt_ui_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTextDocument>
#include <QTranslator>
#include <QWidget>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace {

// Every text the tool shows stands exactly as it was built: a profile's name
// may hold anything, markup or an ampersand included. The full caption of a
// control whose text is shortened or escaped is kept in this property.
const char* const kDidascalia = "didascalia";

// Qt reads "[*]" in a window's title as the mark of unsaved changes; doubled, it shows once.
QString TitoloLetterale(const QString& title)
{
    return QString(title).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

// Buttons and frames read "&" as the mark of their access key; doubled, it shows once.
QString SenzaTastoDiAccesso(const QString& caption)
{
    return QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// A tool tip that looks like markup is shown as markup: this one never is.
QString SuggerimentoLetterale(const QString& text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap) : text;
}

// The width a frame's caption may take and still be drawn whole: the
// frame's width less the room the style leaves around its label, on both sides.
int LarghezzaDidascalia(const QGroupBox* frame, const QString& caption)
{
    QStyleOptionGroupBox option;
    option.initFrom(frame);
    option.text = caption;
    option.textAlignment = frame->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label = frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
    const int room = label.width() - frame->fontMetrics().horizontalAdvance(caption);
    return frame->width() - 2 * label.left() - room;
}

// A caption too long for the frame ends in "…", and the whole of it is the frame's tool tip.
void ImpostaDidascaliaCornice(QGroupBox* frame, const QString& caption)
{
    const QString shown = frame->fontMetrics().elidedText(caption, Qt::ElideRight, LarghezzaDidascalia(frame, caption));
    frame->setTitle(SenzaTastoDiAccesso(shown));
    frame->setToolTip(SuggerimentoLetterale(caption));
}

}  // namespace

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

MsgAnswer QtUiServices::messageBox(const QString& text, MsgIcon icon, MsgButtons buttons, MsgDefault defaultButton,
                                   const QString& title)
{
    QMessageBox box(window_);
    box.setWindowTitle(TitoloLetterale(title));
    box.setTextFormat(Qt::PlainText);
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
    dialog.setWindowTitle(TitoloLetterale(title));
    dialog.setLabelText(prompt);
    // The dialog makes its label with the first text it is given.
    if (auto* label = dialog.findChild<QLabel*>())
        label->setTextFormat(Qt::PlainText);
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
    if (which == Control::fmAgab) {
        widget->setWindowTitle(TitoloLetterale(caption));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(SenzaTastoDiAccesso(caption));
    } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        ImpostaDidascaliaCornice(frame, caption);
    } else {
        throw std::logic_error("control without caption: " + ControlName(which).toStdString());
    }
    widget->setProperty(kDidascalia, caption);
}

QString QtUiServices::caption(Control which) const
{
    QWidget* widget = control(which);
    // Captions the services did not set are the window's design, shown as written.
    const QVariant set = widget->property(kDidascalia);
    if (set.isValid())
        return set.toString();
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
