#include "app/qt_ui_services.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QGroupBox>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

// A window with the controls the services drive, found by their names.
class Window : public ::testing::Test {
protected:
    Window()
    {
        auto* frame = new QGroupBox(QStringLiteral("Aggiornamento installazione profilo: CORVANTA"), &window);
        frame->setObjectName(QStringLiteral("Frame1"));
        frame->setGeometry(15, 15, 319, 106);
        auto* label = new QLabel(QStringLiteral("Nessuna"), frame);
        label->setObjectName(QStringLiteral("lbProgr"));
        auto* bar = new QProgressBar(frame);
        bar->setObjectName(QStringLiteral("pbProgr"));
        auto* ok = new QPushButton(QStringLiteral("OK"), &window);
        ok->setObjectName(QStringLiteral("cmdOK"));
    }

    // Acts on the modal box the services are about to open, then lets them go on.
    template <typename Box>
    static void whenShown(std::function<void(Box*)> act)
    {
        QTimer::singleShot(0, [act] {
            auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            act(box);
        });
    }

    QWidget window;
    QtUiServices ui{&window};
};

TEST_F(Window, SetsCaptionsEnabledStatesAndTheProgressBar)
{
    ui.setCaption(Control::lbProgr, QStringLiteral("Aggiornamento codici ABI (1 di 25) in corso..."));
    ui.setCaption(Control::Frame1, QStringLiteral("Aggiornamento installazione profilo: PROVA"));
    ui.setCaption(Control::cmdOK, QStringLiteral("Termina"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lbProgr"))->text(),
              QStringLiteral("Aggiornamento codici ABI (1 di 25) in corso..."));
    EXPECT_EQ(window.findChild<QGroupBox*>(QStringLiteral("Frame1"))->title(),
              QStringLiteral("Aggiornamento installazione profilo: PROVA"));
    EXPECT_EQ(ui.caption(Control::cmdOK), QStringLiteral("Termina"));

    ui.setEnabled(Control::cmdOK, false);
    EXPECT_FALSE(window.findChild<QPushButton*>(QStringLiteral("cmdOK"))->isEnabled());
    EXPECT_FALSE(ui.isEnabled(Control::cmdOK));

    ui.setProgress(ProgressProperty::Min, 0.0F);
    ui.setProgress(ProgressProperty::Max, 1000.0F);
    ui.setProgress(ProgressProperty::Value, 39.0F);
    const auto* bar = window.findChild<QProgressBar*>(QStringLiteral("pbProgr"));
    EXPECT_EQ(bar->maximum(), 1000);
    EXPECT_EQ(bar->value(), 39);
    EXPECT_EQ(ui.progress(ProgressProperty::Value), 39.0F);

    EXPECT_THROW(ui.setCaption(Control::cmdProfilo, QStringLiteral("x")), std::logic_error);
}

TEST_F(Window, ShowsEveryTextExactlyAsGivenAndGivesItBack)
{
    // Markup, an ampersand and Qt's "modified" placeholder are characters like any other.
    const QString text = QStringLiteral("<b>R&S</b> [*]");
    whenShown<QMessageBox>([text](QMessageBox* box) {
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->text(), text);
        box->show();
        EXPECT_EQ(box->windowHandle()->title(), text);
        box->defaultButton()->click();
    });
    ui.messageBox(text, MsgIcon::Information, MsgButtons::Ok, MsgDefault::First, text);
    whenShown<QInputDialog>([text](QInputDialog* box) {
        const auto* prompt = box->findChild<QLabel*>();
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(prompt->text(), text);
        EXPECT_EQ(prompt->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->windowHandle()->title(), text);
        box->reject();
    });
    ui.inputBox(text, text, QString());

    window.show();
    for (Control control : {Control::fmAgab, Control::Frame1, Control::lbProgr, Control::cmdOK}) {
        ui.setCaption(control, text);
        EXPECT_EQ(ui.caption(control), text) << ControlName(control).toStdString();
    }
    EXPECT_EQ(window.windowHandle()->title(), text);
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lbProgr"))->textFormat(), Qt::PlainText);
    for (const QString& shown : {window.findChild<QGroupBox*>(QStringLiteral("Frame1"))->title(),
                                 window.findChild<QPushButton*>(QStringLiteral("cmdOK"))->text()}) {
        EXPECT_TRUE(QKeySequence::mnemonic(shown).isEmpty()) << shown.toStdString();
        EXPECT_EQ(QString(shown).replace(QStringLiteral("&&"), QStringLiteral("&")), text);
    }
}

TEST_F(Window, AsksAQuestionWithTheRequestedDefaultAndAnswersTheButtonPressed)
{
    whenShown<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Messaggio di Corvanta NET"));
        EXPECT_EQ(box->text(), QStringLiteral("Procedere?"));
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        ASSERT_EQ(box->buttons().size(), 2);
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("&No"));
        box->defaultButton()->click();
    });
    EXPECT_EQ(ui.messageBox(QStringLiteral("Procedere?"), MsgIcon::Question, MsgButtons::YesNo, MsgDefault::Second,
                            QStringLiteral("Messaggio di Corvanta NET")),
              MsgAnswer::No);

    whenShown<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("&Sì"));
        box->defaultButton()->click();
    });
    EXPECT_EQ(ui.messageBox(QStringLiteral("Procedere?"), MsgIcon::Question, MsgButtons::YesNo, MsgDefault::First,
                            QStringLiteral("Messaggio di Corvanta NET")),
              MsgAnswer::Yes);

    whenShown<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->buttons().size(), 1);
        box->defaultButton()->click();
    });
    EXPECT_EQ(ui.messageBox(QStringLiteral("Errore"), MsgIcon::Critical, MsgButtons::Ok, MsgDefault::First,
                            QStringLiteral("Messaggio di Corvanta NET")),
              MsgAnswer::Ok);
}

TEST_F(Window, AnswersTheTypedTextOrEmptyTextOnCancel)
{
    whenShown<QInputDialog>([](QInputDialog* box) {
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Messaggio di Corvanta NET"));
        EXPECT_EQ(box->labelText(), QStringLiteral("Inserire il nome del profilo:"));
        EXPECT_EQ(box->textValue(), QStringLiteral("Corvanta"));
        box->setTextValue(QStringLiteral(" prova "));
        box->accept();
    });
    EXPECT_EQ(ui.inputBox(QStringLiteral("Inserire il nome del profilo:"), QStringLiteral("Messaggio di Corvanta NET"),
                          QStringLiteral("Corvanta")),
              QStringLiteral(" prova "));

    whenShown<QInputDialog>([](QInputDialog* box) { box->reject(); });
    EXPECT_EQ(ui.inputBox(QStringLiteral("Inserire il nome del profilo:"), QStringLiteral("Messaggio di Corvanta NET"),
                          QStringLiteral("Corvanta")),
              QString());
}

TEST_F(Window, KeepsOneBusyPointerHoweverOftenItIsAskedFor)
{
    ui.setBusyPointer(true);
    ui.setBusyPointer(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.setBusyPointer(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Window, PumpingEventsPaintsTheNewProgressAtOnce)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();

    struct PaintedText : QObject {
        QStringList texts;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                texts.append(qobject_cast<QLabel*>(watched)->text());
            return false;
        }
    } painted;
    auto* label = window.findChild<QLabel*>(QStringLiteral("lbProgr"));
    label->installEventFilter(&painted);

    ui.setCaption(Control::lbProgr, QStringLiteral("Aggiornamento codici ABI (10 di 25) in corso..."));
    ui.pumpEvents();
    EXPECT_TRUE(painted.texts.contains(QStringLiteral("Aggiornamento codici ABI (10 di 25) in corso...")))
        << painted.texts.join(QLatin1Char('|')).toStdString();
}

TEST_F(Window, ShowsModallyUntilTheWindowCloses)
{
    QTimer::singleShot(0, [this] {
        EXPECT_TRUE(window.isVisible());
        ui.closeWindow();
    });
    ui.showWindow(true);
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
