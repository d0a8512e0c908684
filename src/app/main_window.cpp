#include "app/main_window.h"

#include "platform/runtime/runtime_error.h"
#include "settings/profile_selection.h"
#include "ui/error_report.h"

#include <QCloseEvent>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextStream>
#include <new>

namespace {

// The layout is designed in twips; at 96 dots per inch 15 of them make one
// pixel, and Qt's device-independent pixels keep that on denser screens.
constexpr int kTwipsPerPixel = 15;

QRect DaTwips(int left, int top, int width, int height)
{
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel};
}

template <typename Widget>
Widget* Controllo(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QPushButton* Pulsante(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* button = Controllo<QPushButton>(parent, name, geometry);
    button->setText(caption);
    // As on the desktop the window was designed for, Enter presses the
    // button that has the focus; no button is the window's default, and Esc
    // presses none.
    button->setAutoDefault(true);
    button->setDefault(false);
    return button;
}

QLabel* Etichetta(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* label = Controllo<QLabel>(parent, name, geometry);
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    return label;
}

// The trap of a window handler: reports what `step` raises with the line it
// had reached; false when it did.
template <typename Step>
bool ConTrappola(UiServices& ui, const char* procedura, int& linea, Step step)
{
    try {
        step();
        return true;
    } catch (const RuntimeError& error) {
        ShowErrorReport(ui, QStringLiteral("fmAgab"), QLatin1String(procedura), linea, error);
    } catch (const std::bad_alloc&) {
        ShowErrorReport(ui, QStringLiteral("fmAgab"), QLatin1String(procedura), linea, RuntimeError::outOfMemory());
    }
    return false;
}

}  // namespace

fmAgab::fmAgab(const QString& cartellaProgramma) : ui_(this), run_(ui_, cartellaProgramma)
{
    setObjectName(QStringLiteral("fmAgab"));
    setWindowTitle(QStringLiteral("Corvanta - Aggiornamento codici ABI/CAB"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icone/aggiorna-abicab-32.xpm"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icone/aggiorna-abicab-16.xpm"), QSize(16, 16));
    setWindowIcon(icon);
    // The controls do not follow the window's size, so the window keeps its own.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(DaTwips(0, 0, 6675, 2040).size());
    // The layout was drawn for a narrow 8-point sans serif; the wider and
    // larger fonts of today's desktops would cut its captions short in their
    // fixed places. Fontconfig gives Arial's metric twin (Liberation Sans).
    setFont(QFont(QStringLiteral("Arial"), 8));
    creaControlli();
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &fmAgab::FineSessione);
}

void fmAgab::creaControlli()
{
    // Created in tab order, so that the focus chain follows it.
    auto* frame = Controllo<QGroupBox>(this, "Frame1", DaTwips(225, 225, 4785, 1590));
    frame->setTitle(QStringLiteral("Aggiornamento installazione profilo: CORVANTA"));
    auto* bar = Controllo<QProgressBar>(frame, "pbProgr", DaTwips(180, 1170, 4425, 240));
    bar->setRange(0, 100);
    bar->setValue(0);
    // The platform's standard bar shows no percentage beside it.
    bar->setTextVisible(false);
    Etichetta(frame, "Label1", QStringLiteral("Operazioni in corso:"), DaTwips(180, 495, 2895, 240));
    Etichetta(frame, "lbProgr", QStringLiteral("Nessuna"), DaTwips(180, 810, 4425, 285));
    auto* ok = Pulsante(this, "cmdOK", QStringLiteral("OK"), DaTwips(5220, 315, 1275, 330));
    auto* cancel = Pulsante(this, "cmdCancel", QStringLiteral("Annulla"), DaTwips(5220, 720, 1275, 330));
    auto* profilo = Pulsante(this, "cmdProfilo", QStringLiteral("Cambia profilo"), DaTwips(5220, 1125, 1275, 330));

    const QList<QWidget*> ordine{
        frame,  bar,    findChild<QLabel*>(QStringLiteral("Label1")), findChild<QLabel*>(QStringLiteral("lbProgr")), ok,
        cancel, profilo};
    for (qsizetype i = 1; i < ordine.size(); ++i)
        QWidget::setTabOrder(ordine.at(i - 1), ordine.at(i));

    connect(ok, &QPushButton::clicked, this, &fmAgab::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &fmAgab::cmdCancel_Click);
    connect(profilo, &QPushButton::clicked, this, &fmAgab::cmdProfilo_Click);
}

void fmAgab::Form_Load()
{
    int linea = 10;
    const bool riuscito = ConTrappola(ui_, "Form_Load", linea, [&] {
        linea = 20;
        run_.AggiornamentoInCorso = false;
        linea = 30;
        ui_.showWindow(false);
        linea = 40;
        QString profilo = QStringLiteral("Corvanta");
        for (;;) {
            linea = 50;
            if (SelezionaProfilo(ui_, profilo))
                return;
            linea = 60;
            const QString risposta = ChiediNomeProfilo(ui_);
            linea = 70;
            if (risposta.isEmpty())
                break;
            profilo = risposta;
        }
        linea = 80;
        ui_.closeWindow();
    });
    // A window that failed to load is not left half-ready.
    if (!riuscito)
        ui_.closeWindow();
}

void fmAgab::cmdOK_Click()
{
    int linea = 10;
    ConTrappola(ui_, "cmdOK_Click", linea, [&] {
        linea = 20;
        run_.CopiaAbiCab();
    });
}

void fmAgab::cmdCancel_Click()
{
    ui_.closeWindow();
}

void fmAgab::cmdProfilo_Click()
{
    int linea = 10;
    ConTrappola(ui_, "cmdProfilo_Click", linea, [&] {
        linea = 20;
        bool ancora = true;
        linea = 30;
        while (ancora) {
            linea = 40;
            ancora = false;
            linea = 50;
            const QString risposta = ChiediNomeProfilo(ui_);
            linea = 60;
            if (risposta.isEmpty())
                break;
            linea = 70;
            if (!SelezionaProfilo(ui_, risposta))
                ancora = true;
        }
    });
}

void fmAgab::Form_QueryUnload(bool& cancel, int motivo)
{
    if (motivo == kChiusuraDaFinestra && run_.AggiornamentoInCorso)
        cancel = true;
}

void fmAgab::FineSessione()
{
    fineSessione_ = true;
    close();
    fineSessione_ = false;
}

void fmAgab::closeEvent(QCloseEvent* event)
{
    // Only the window system delivers spontaneous close events: the user
    // asked through the window manager.
    const int motivo = fineSessione_ ? kChiusuraFineSessione
        : event->spontaneous()       ? kChiusuraDaFinestra
                                     : kChiusuraDalProgramma;
    bool cancel = false;
    Form_QueryUnload(cancel, motivo);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void Main(const QString& cartellaProgramma)
{
    try {
        fmAgab finestra(cartellaProgramma);
        finestra.Form_Load();
        // A window closed while loading is not shown again.
        if (finestra.isVisible())
            finestra.ui().showWindow(true);
    } catch (const std::exception& error) {
        QTextStream(stderr) << "aggiorna-abicab: " << error.what() << '\n';
    }
}
