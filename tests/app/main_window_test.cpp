// The real window on a test installation, driven as a user drives it: clicks
// and keys on its widgets, answers typed into its real boxes.
#include "app/main_window.h"

#include "modal_boxes.h"
#include "settings/profile_settings.h"
#include "support/qt_printers.h"
#include "support/test_installation.h"

#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>
#include <QApplication>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <cmath>

namespace {

const QString kFrame = QStringLiteral("Aggiornamento installazione profilo: ");
const QString kPrompt = QStringLiteral("Inserire il nome del profilo in cui è intallato Corvanta NET:");
const QString kTitle = QStringLiteral("Messaggio di Corvanta NET");

class MainWindow : public ::testing::Test {
protected:
    MainWindow()
    {
        installation.writeTypicalSource();
        QMap<QString, QString> client = FileProfileSettings();
        client[QStringLiteral("Server")] = QStringLiteral("N");
        installation.writeProfile(QStringLiteral("Prova"), client);
    }

    template <typename Widget = QWidget>
    Widget* control(const char* name) const
    {
        auto* widget = window.findChild<Widget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString frame() const { return control<QGroupBox>("Frame1")->title(); }
    QString label() const { return control<QLabel>("lbProgr")->text(); }
    void click(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }

    // The window loaded with "Corvanta" accepted.
    void load()
    {
        window.Form_Load();
        ASSERT_TRUE(window.isVisible());
        ASSERT_EQ(frame(), kFrame + QStringLiteral("CORVANTA"));
    }

    // What the user asks through the window manager: the close box, Alt+F4.
    void closeFromWindowManager()
    {
        QWindowSystemInterface::handleCloseEvent(window.windowHandle());
        QApplication::processEvents();
    }

    void runToCompletion()
    {
        boxes.then(ModalBoxes::press(QStringLiteral("&Sì")));
        boxes.then(ModalBoxes::press(QStringLiteral("OK")));
        click("cmdOK");
        ASSERT_TRUE(boxes.allAnswered());
    }

    QStringList codes() const
    {
        return installation.procedureDatabase().rows(QStringLiteral("SELECT AbiAbi FROM ABI ORDER BY 1"));
    }

    TestInstallation installation;
    ModalBoxes boxes;
    fmAgab window{installation.programFolder()};
};

TEST_F(MainWindow, IsLaidOutAsDesignedAtFifteenTwipsAPixel)
{
    EXPECT_EQ(window.objectName(), QStringLiteral("fmAgab"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Corvanta - Aggiornamento codici ABI/CAB"));
    EXPECT_EQ(window.size(), QSize(445, 136));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());

    struct Expected {
        const char* name;
        const char* parent;
        QRect geometry;
        QString caption;
    };
    const Expected expected[] = {
        {"Frame1", "fmAgab", {15, 15, 319, 106}, kFrame + QStringLiteral("CORVANTA")},
        {"pbProgr", "Frame1", {12, 78, 295, 16}, QString()},
        {"Label1", "Frame1", {12, 33, 193, 16}, QStringLiteral("Operazioni in corso:")},
        {"lbProgr", "Frame1", {12, 54, 295, 19}, QStringLiteral("Nessuna")},
        {"cmdOK", "fmAgab", {348, 21, 85, 22}, QStringLiteral("OK")},
        {"cmdCancel", "fmAgab", {348, 48, 85, 22}, QStringLiteral("Annulla")},
        {"cmdProfilo", "fmAgab", {348, 75, 85, 22}, QStringLiteral("Cambia profilo")},
    };
    for (const Expected& item : expected) {
        QWidget* widget = control(item.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QLatin1String(item.parent)) << item.name;
        EXPECT_EQ(widget->geometry(), item.geometry) << item.name;
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), item.caption);
        } else if (auto* text = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(text->text(), item.caption);
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            EXPECT_EQ(group->title(), item.caption);
        }
    }
    const auto* bar = control<QProgressBar>("pbProgr");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);

    const QList<QSize> iconSizes = window.windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(32, 32)));
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)));
}

TEST_F(MainWindow, TheLongestCaptionsFitTheirPlaces)
{
    // The widest caption a run shows, at the row counts of a large source.
    const auto* progress = control<QLabel>("lbProgr");
    EXPECT_LE(progress->fontMetrics().horizontalAdvance(
                  QStringLiteral("Aggiornamento codici CAB (40000 di 40000) in corso...")),
              progress->width());
    const auto* frame = control<QGroupBox>("Frame1");
    EXPECT_LE(frame->fontMetrics().horizontalAdvance(kFrame + QStringLiteral("CORVANTA")), frame->width());
    // A button keeps a few pixels of its face on either side of the text.
    for (const char* name : {"cmdOK", "cmdCancel", "cmdProfilo"}) {
        const auto* button = control<QPushButton>(name);
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width()) << name;
    }
}

TEST_F(MainWindow, TabsThroughTheControlsInDesignOrderAndEnterPressesTheFocusedButton)
{
    QStringList chain;
    for (QWidget* next = window.nextInFocusChain(); next != &window; next = next->nextInFocusChain())
        chain.append(next->objectName());
    EXPECT_EQ(chain, QStringList({"Frame1", "pbProgr", "Label1", "lbProgr", "cmdOK", "cmdCancel", "cmdProfilo"}));

    load();
    // A box that has closed hands the focus back to the window.
    const auto pressOn = [&](const char* name, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        auto* button = control<QPushButton>(name);
        button->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), button) << name;
        QTest::keyClick(button, key, modifiers);
    };

    // Esc presses no button: the window has no cancel button.
    for (const char* name : {"cmdOK", "cmdCancel", "cmdProfilo"})
        pressOn(name, Qt::Key_Escape);
    EXPECT_TRUE(boxes.seen().empty());
    ASSERT_TRUE(window.isVisible());

    // Return and the keypad's Enter press the button that has the focus, and
    // only that one: the others stay what they were, none of them the default.
    const QByteArray before = installation.procedureDatabaseBytes();
    boxes.then(ModalBoxes::press(QStringLiteral("&No")));
    pressOn("cmdOK", Qt::Key_Return);
    EXPECT_FALSE(control<QPushButton>("cmdCancel")->isDefault());
    EXPECT_FALSE(control<QPushButton>("cmdProfilo")->isDefault());
    boxes.then(ModalBoxes::cancel());
    pressOn("cmdProfilo", Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(boxes.allAnswered());
    ASSERT_EQ(boxes.seen().size(), 2U);
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Question);  // the confirmation of the run
    EXPECT_EQ(boxes.seen()[1].text, kPrompt);
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);
    EXPECT_TRUE(window.isVisible());

    pressOn("cmdCancel", Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindow, LoadsTheDefaultProfileWithoutPrompting)
{
    load();
    EXPECT_EQ(VarGlobali.ProfiloCorrente, QStringLiteral("Corvanta"));
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_FALSE(window.aggiornamento().AggiornamentoInCorso);
}

TEST_F(MainWindow, AsksForAnotherNameWhenTheDefaultIsRefusedAndKeepsItAsTyped)
{
    boxes.then(ModalBoxes::press(QStringLiteral("&No")));  // "Corvanta" is a client's here
    boxes.then(ModalBoxes::type(QStringLiteral("nessuno")));
    boxes.then(ModalBoxes::press(QStringLiteral("OK")));
    boxes.then(ModalBoxes::type(QStringLiteral("prova")));
    boxes.then(ModalBoxes::press(QStringLiteral("&Sì")));
    installation.writeProfile(QStringLiteral("Corvanta"), {{QStringLiteral("Server"), QStringLiteral("N")}});

    window.Form_Load();
    ASSERT_TRUE(boxes.allAnswered());
    const auto& seen = boxes.seen();
    ASSERT_EQ(seen.size(), 5U);
    EXPECT_EQ(seen[0].icon, QMessageBox::Question);
    EXPECT_EQ(seen[0].buttons, QStringList({"&Sì", "&No"}));
    EXPECT_EQ(seen[0].defaultButton, QStringLiteral("&No"));
    EXPECT_TRUE(seen[0].text.contains(QStringLiteral("nel profilo 'CORVANTA'")));
    EXPECT_EQ(seen[1].title, kTitle);
    EXPECT_EQ(seen[1].text, kPrompt);
    EXPECT_EQ(seen[1].proposed, QStringLiteral("Corvanta"));
    EXPECT_EQ(seen[1].buttons, QStringList({"OK", "Annulla"}));
    EXPECT_EQ(seen[2].icon, QMessageBox::Warning);
    EXPECT_TRUE(seen[2].text.endsWith(QStringLiteral("\\Corvanta\\nessuno'.")));
    EXPECT_EQ(seen[3].proposed, QStringLiteral("Corvanta"));
    EXPECT_TRUE(seen[4].text.contains(QStringLiteral("nel profilo 'PROVA'")));

    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(VarGlobali.ProfiloCorrente, QStringLiteral("prova"));
    EXPECT_EQ(frame(), kFrame + QStringLiteral("PROVA"));
}

TEST_F(MainWindow, CancelInTheInputBoxEndsTheProgramWithoutAnotherWord)
{
    installation.writeProfile(QStringLiteral("Corvanta"), {{QStringLiteral("Server"), QStringLiteral("N")}});
    boxes.then(ModalBoxes::press(QStringLiteral("&No")));
    boxes.then(ModalBoxes::cancel());

    // The program's own start: it returns when the window has closed.
    Main(installation.programFolder());
    EXPECT_TRUE(boxes.allAnswered());
    EXPECT_EQ(boxes.seen().size(), 2U);
    EXPECT_TRUE(VarGlobali.ProfiloCorrente.isEmpty());

    // An emptied field is the same as Cancel.
    boxes.then(ModalBoxes::press(QStringLiteral("&No")));
    boxes.then(ModalBoxes::type(QString()));
    window.Form_Load();
    EXPECT_TRUE(boxes.allAnswered());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindow, ChangingProfileIsRefusedOrAcceptedWithoutTouchingTheRest)
{
    load();
    const ProfileGlobals before = VarGlobali;

    // Refused twice, then given up: the box comes back after each refusal.
    boxes.then(ModalBoxes::type(QStringLiteral("Nessuno")));
    boxes.then(ModalBoxes::press(QStringLiteral("OK")));
    boxes.then(ModalBoxes::type(QStringLiteral("Prova")));
    boxes.then(ModalBoxes::press(QStringLiteral("&No")));
    boxes.then(ModalBoxes::cancel());
    click("cmdProfilo");
    ASSERT_TRUE(boxes.allAnswered());
    EXPECT_EQ(boxes.seen().size(), 5U);
    EXPECT_EQ(VarGlobali, before);
    EXPECT_EQ(frame(), kFrame + QStringLiteral("CORVANTA"));

    // Accepted: the frame follows, the rest of the window stays.
    boxes.then(ModalBoxes::type(QStringLiteral("Prova")));
    boxes.then(ModalBoxes::press(QStringLiteral("&Sì")));
    click("cmdProfilo");
    EXPECT_EQ(VarGlobali.ProfiloCorrente, QStringLiteral("Prova"));
    EXPECT_EQ(frame(), kFrame + QStringLiteral("PROVA"));
    EXPECT_EQ(label(), QStringLiteral("Nessuna"));
    EXPECT_EQ(control<QPushButton>("cmdCancel")->text(), QStringLiteral("Annulla"));

    // The box always proposes "Corvanta", whatever profile is current.
    boxes.then(ModalBoxes::cancel());
    click("cmdProfilo");
    EXPECT_EQ(boxes.seen().back().proposed, QStringLiteral("Corvanta"));
    EXPECT_EQ(VarGlobali.ProfiloCorrente, QStringLiteral("Prova"));
}

TEST_F(MainWindow, ShowsATypedNameExactlyAsTypedAndNeverAsMarkup)
{
    load();
    boxes.then(ModalBoxes::type(QStringLiteral("<b>Prova</b>")));
    boxes.then(ModalBoxes::press(QStringLiteral("OK")));
    boxes.then(ModalBoxes::cancel());
    click("cmdProfilo");
    ASSERT_TRUE(boxes.allAnswered());
    const auto& seen = boxes.seen();
    ASSERT_EQ(seen.size(), 3U);
    EXPECT_TRUE(seen[0].plainText);
    EXPECT_TRUE(seen[1].text.endsWith(QStringLiteral("\\Corvanta\\<b>Prova</b>'."))) << seen[1].text.toStdString();
    EXPECT_TRUE(seen[1].plainText);

    // An ampersand in the frame is a character, not the mark of an access key.
    const QString name = QStringLiteral("R&S <i>Sede</i>");
    installation.writeProfile(name, FileProfileSettings());
    boxes.then(ModalBoxes::type(name));
    click("cmdProfilo");
    ASSERT_TRUE(boxes.allAnswered());
    const QString caption = kFrame + QStringLiteral("R&S <I>SEDE</I>");
    EXPECT_EQ(window.ui().caption(Control::Frame1), caption);
    EXPECT_TRUE(QKeySequence::mnemonic(frame()).isEmpty()) << frame().toStdString();
    EXPECT_EQ(frame().replace(QStringLiteral("&&"), QStringLiteral("&")), caption);
    EXPECT_EQ(control("Frame1")->toolTip(), Qt::convertFromPlainText(caption, Qt::WhiteSpaceNoWrap));
    for (const char* name : {"Label1", "lbProgr"})
        EXPECT_EQ(control<QLabel>(name)->textFormat(), Qt::PlainText) << name;
}

TEST_F(MainWindow, ElidesALongProfileNameInTheFrameAndShowsItWholeAsItsToolTip)
{
    load();
    const QString name = QStringLiteral("Studio Commercialista Rossi Bianchi e Associati");
    installation.writeProfile(name, FileProfileSettings());
    boxes.then(ModalBoxes::type(name));
    click("cmdProfilo");
    ASSERT_TRUE(boxes.allAnswered());

    const QString caption = kFrame + name.toUpper();
    const auto* frameBox = control<QGroupBox>("Frame1");
    EXPECT_TRUE(frame().startsWith(kFrame + QStringLiteral("STUDIO COMM"))) << frame().toStdString();
    EXPECT_TRUE(frame().endsWith(QChar(0x2026))) << frame().toStdString();
    EXPECT_LE(frameBox->fontMetrics().horizontalAdvance(frame()), frameBox->contentsRect().width());
    EXPECT_EQ(frameBox->toolTip(), caption);
    // The services give back the caption they were given, not what fits.
    EXPECT_EQ(window.ui().caption(Control::Frame1), caption);

    // A name that fits is shown whole.
    boxes.then(ModalBoxes::type(QStringLiteral("Corvanta")));
    click("cmdProfilo");
    EXPECT_EQ(frame(), kFrame + QStringLiteral("CORVANTA"));
    EXPECT_EQ(frameBox->toolTip(), kFrame + QStringLiteral("CORVANTA"));
}

// A source large enough for the progress to be seen: 25 banks, 30 branches.
void WriteProgressSource(const TestInstallation& installation)
{
    SourceRows banks;
    for (int i = 0; i < 25; ++i)
        banks.push_back(AbiRow(2000 + i, QStringLiteral("Banca %1").arg(i), 1));
    installation.writeSource({AbiTable(banks), AbicabTable(ManyAbicabRows(30))});
}

bool IsSubsequence(const QStringList& part, const QStringList& whole)
{
    qsizetype at = 0;
    for (const QString& item : whole) {
        if (at < part.size() && item == part.at(at))
            ++at;
    }
    return at == part.size();
}

// The bar's values while a table of `rows` rows is copied: one per row, then full.
QList<int> TableProgress(int rows)
{
    QList<int> values;
    for (int i = 1; i <= rows; ++i)
        values.append(static_cast<int>(std::floor(i * 999.0 / rows)));
    values.append(1000);
    return values;
}

TEST_F(MainWindow, RunsTheUpdateShowingItsProgressAndRefusesTheCloseBoxMeanwhile)
{
    WriteProgressSource(installation);
    load();

    // What the user sees painted, and what happens at the row the close box is clicked.
    QStringList painted;
    QList<int> bar;
    bool busyWhileRunning = false;
    bool visibleAfterCloseBox = false;
    int confirmations = 0;
    struct PaintWatch : QObject {
        std::function<void(QObject*)> onPaint;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                onPaint(watched);
            return false;
        }
    } watch;
    watch.onPaint = [&](QObject*) {
        const QString text = label();
        if (!painted.isEmpty() && painted.back() == text)
            return;
        painted.append(text);
        if (text == QLatin1String("Aggiornamento codici ABI (10 di 25) in corso...")) {
            busyWhileRunning =
                QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            // Clicks on the disabled buttons and the close box do nothing.
            click("cmdOK");
            click("cmdCancel");
            click("cmdProfilo");
            QWindowSystemInterface::handleCloseEvent(window.windowHandle());
        }
        if (text == QLatin1String("Aggiornamento codici ABI (20 di 25) in corso..."))
            visibleAfterCloseBox = window.isVisible();
    };
    control("lbProgr")->installEventFilter(&watch);
    QObject::connect(control<QProgressBar>("pbProgr"), &QProgressBar::valueChanged,
                     [&](int value) { bar.append(value); });
    boxes.then([&](QWidget* box) {
        ++confirmations;
        ModalBoxes::press(QStringLiteral("&Sì"))(box);
    });
    // The completion box keeps its text and shows what changed under "Mostra dettagli...".
    QString details;
    QStringList completionButtons;
    boxes.then([&](QWidget* box) {
        details = qobject_cast<QMessageBox*>(box)->detailedText();
        for (const QAbstractButton* button : box->findChildren<QAbstractButton*>())
            completionButtons.append(button->text());
        ModalBoxes::press(QStringLiteral("OK"))(box);
    });

    click("cmdOK");
    ASSERT_TRUE(boxes.allAnswered());
    EXPECT_EQ(confirmations, 1);
    EXPECT_TRUE(busyWhileRunning);
    EXPECT_TRUE(visibleAfterCloseBox);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    EXPECT_EQ(boxes.seen()[0].defaultButton, QStringLiteral("&Sì"));
    EXPECT_EQ(boxes.seen()[1].text, QStringLiteral("Aggiornamento codici ABI/CAB completato."));
    EXPECT_EQ(boxes.seen()[1].icon, QMessageBox::Information);
    EXPECT_TRUE(completionButtons.contains(QStringLiteral("Mostra dettagli...")))
        << completionButtons.join(',').toStdString();
    EXPECT_TRUE(
        details.startsWith(QStringLiteral("Codici ABI (banche): 25 aggiunti, 1 rimossi, 0 modificati\n"
                                          "Codici CAB (filiali): 30 aggiunti, 1 rimossi, 0 modificati")))
        << details.toStdString();
    // Every phase is seen, and the rows at least at each pump of events (the
    // bar repainting itself may show more of them).
    const QStringList atPumps{"Nessuna",
                              "Apertura database di origine in corso...",
                              "Apertura database di destinazione in corso...",
                              "Apertura dati di origine in corso...",
                              "Cancellazione codici ABI/CAB in corso...",
                              "Aggiornamento codici ABI in corso...",
                              "Aggiornamento codici ABI (10 di 25) in corso...",
                              "Aggiornamento codici ABI (20 di 25) in corso...",
                              "Aggiornamento codici CAB in corso...",
                              "Aggiornamento codici CAB (10 di 30) in corso...",
                              "Aggiornamento codici CAB (20 di 30) in corso...",
                              "Aggiornamento codici CAB (30 di 30) in corso...",
                              "Nessuna."};
    EXPECT_TRUE(IsSubsequence(atPumps, painted)) << ::testing::PrintToString(painted);
    EXPECT_EQ(painted.back(), QStringLiteral("Nessuna."));
    // valueChanged reports changes only: the bar starts at 0, so the first report is the first row's.
    const QList<int> expectedBar = TableProgress(25) + QList<int>{0} + TableProgress(30) + QList<int>{0};
    EXPECT_EQ(bar, expectedBar);

    EXPECT_EQ(codes().size(), 1 + 25);
    EXPECT_EQ(control<QPushButton>("cmdCancel")->text(), QStringLiteral("Termina"));
    for (const char* name : {"cmdOK", "cmdCancel", "cmdProfilo"})
        EXPECT_TRUE(control(name)->isEnabled()) << name;
    EXPECT_FALSE(window.aggiornamento().AggiornamentoInCorso);

    // After the run the close box closes the window.
    closeFromWindowManager();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindow, KeepsTerminaAndEverythingElseWhenAFurtherRunIsDeclined)
{
    load();
    runToCompletion();
    const QByteArray after = installation.procedureDatabaseBytes();

    boxes.then(ModalBoxes::press(QStringLiteral("&No")));
    click("cmdOK");
    ASSERT_TRUE(boxes.allAnswered());
    EXPECT_EQ(control<QPushButton>("cmdCancel")->text(), QStringLiteral("Termina"));
    EXPECT_EQ(label(), QStringLiteral("Nessuna."));
    for (const char* name : {"cmdOK", "cmdCancel", "cmdProfilo"})
        EXPECT_TRUE(control(name)->isEnabled()) << name;
    EXPECT_EQ(installation.procedureDatabaseBytes(), after);

    // "Termina" still closes the window.
    click("cmdCancel");
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindow, ADeclinedFirstRunLeavesAnnulla)
{
    load();
    const QByteArray before = installation.procedureDatabaseBytes();
    boxes.then(ModalBoxes::press(QStringLiteral("&No")));
    click("cmdOK");
    EXPECT_EQ(control<QPushButton>("cmdCancel")->text(), QStringLiteral("Annulla"));
    EXPECT_EQ(label(), QStringLiteral("Nessuna"));
    EXPECT_EQ(installation.procedureDatabaseBytes(), before);

    closeFromWindowManager();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindow, TheEndOfTheSessionClosesTheWindowEvenDuringARun)
{
    load();
    bool closedDuringRun = false;
    QObject::connect(control<QProgressBar>("pbProgr"), &QProgressBar::valueChanged, [&](int value) {
        if (value == 1000 && window.isVisible()) {
            window.FineSessione();
            closedDuringRun = !window.isVisible() && window.aggiornamento().AggiornamentoInCorso;
        }
    });
    runToCompletion();
    EXPECT_TRUE(closedDuringRun);
    EXPECT_EQ(codes().size(), 1 + 2);
}

TEST_F(MainWindow, ReportsAFailedRunAndStaysOpen)
{
    load();
    QFile::remove(installation.programFolder() + QStringLiteral("/Abicab.mdb"));
    boxes.then(ModalBoxes::press(QStringLiteral("&Sì")));
    boxes.then(ModalBoxes::press(QStringLiteral("OK")));
    click("cmdOK");
    ASSERT_TRUE(boxes.allAnswered());
    EXPECT_TRUE(boxes.seen().back().text.startsWith(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 140, errore ")));
    EXPECT_EQ(boxes.seen().back().icon, QMessageBox::Critical);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(label(), QStringLiteral("Apertura database di origine in corso..."));
    EXPECT_TRUE(control("cmdOK")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
