// aggiorna-abicab: the window that replaces the bank codes of a Corvanta
// installation with those of Abicab.mdb, found next to the program.
#include "app/main_window.h"
#include "app/qt_ui_services.h"

#include <fcntl.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <QApplication>
#include <QTextStream>

namespace {

// Qt aborts in its constructor, with a message in English, when it cannot
// reach its screen: a display that is gone, or one this user may not use
// (sudo without the X authority). Where Qt will reach it through X, the
// server is tried first, as Qt will try it; other platforms (Wayland, the
// offscreen one) and Qt's own options on the command line are Qt's to judge.
bool UsaX(int argc)
{
    if (argc > 1)
        return false;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return platform.startsWith("xcb");
    return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qgetenv("XDG_SESSION_TYPE") != "wayland";
}

bool XRaggiungibile()
{
    // libxcb writes a server's refusal to the standard error itself, in
    // English; the administrator reads the Italian message instead.
    const int standardError = dup(STDERR_FILENO);
    const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (standardError >= 0 && nowhere >= 0)
        dup2(nowhere, STDERR_FILENO);
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (standardError >= 0 && nowhere >= 0)
        dup2(standardError, STDERR_FILENO);
    for (const int descriptor : {standardError, nowhere}) {
        if (descriptor >= 0)
            close(descriptor);
    }
    return reached;
}

QString MotivoSenzaSchermo()
{
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("DISPLAY non impostato");
    return QStringLiteral(
               "lo schermo DISPLAY=%1 non è raggiungibile: il server grafico non è in funzione "
               "o questo utente non ha il permesso di usarlo")
        .arg(display);
}

}  // namespace

int main(int argc, char** argv)
{
    if (UsaX(argc) && !XRaggiungibile()) {
        QTextStream(stderr) << "aggiorna-abicab: nessuno schermo disponibile (" << MotivoSenzaSchermo()
                            << "). Da un terminale usare trasferisci-codici --profilo NOME.\n";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("aggiorna-abicab"));
    QApplication::setDesktopFileName(QStringLiteral("aggiorna-abicab"));
    // The program ends when its window has closed, not when a box closes
    // the last window shown, which would end the boxes still open with it.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallItalianQtTranslations();
    Main(QCoreApplication::applicationDirPath());
    return 0;
}
