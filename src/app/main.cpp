// aggiorna-abicab: the window that replaces the bank codes of a Corvanta
// installation with those of Abicab.mdb, found next to the program.
#include "app/main_window.h"
#include "app/qt_ui_services.h"

#include <QApplication>
#include <QTextStream>

namespace {

// Without a display Qt would abort with a message in English; the
// administrator is told in Italian where to turn instead.
bool SchermoDisponibile()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv)
{
    if (!SchermoDisponibile()) {
        QTextStream(stderr) << "aggiorna-abicab: nessuno schermo disponibile (DISPLAY non impostato). "
                               "Da un terminale usare trasferisci-codici --profilo NOME.\n";
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
