// Every test program runs inside a QApplication, since the SQL drivers are
// plugins and the user-interface services need widgets; the offscreen
// platform lets them run without a display.
#include "qt_ui_services.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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
