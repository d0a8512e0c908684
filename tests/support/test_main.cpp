// Every test program runs inside a QApplication, since the SQL drivers are
// plugins and the user-interface services need widgets; the offscreen
// platform lets them run without a display.
#include "app/qt_ui_services.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The engines' waits for locks and servers, shortened for the tests and
    // for the programs they start, so that the tests of those waits do not
    // wait out the product's.
    if (qEnvironmentVariableIsEmpty("CORVANTA_ATTESA_MASSIMA"))
        qputenv("CORVANTA_ATTESA_MASSIMA", "2");
    // The backups and the run log go to a folder of the test program's own,
    // never to the user's.
    QTemporaryDir stateFolder;
    qputenv("XDG_STATE_HOME", stateFolder.path().toLocal8Bit());
    QApplication app(argc, argv);
    // The boxes' standard buttons read as the user reads them.
    InstallItalianQtTranslations();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
