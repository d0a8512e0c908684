// Profile selection on a test installation: the profile's settings in a Wine
// prefix, the user's answers scripted.
#include "settings/profile_selection.h"

#include "platform/runtime/runtime_error.h"
#include "settings/profile_settings.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"
#include "support/test_installation.h"

#include <gtest/gtest.h>

namespace {

const QString kNoInstallationPerUser = QStringLiteral(
    "Nessuna installazione di Corvanta/Corvanta NET rilevata nel profilo 'HKEY_CURRENT_USER\\Software\\VB and VBA "
    "Program Settings\\Corvanta\\");
const QString kNoInstallationSystemWide = QStringLiteral(
    "Nessuna installazione di Corvanta/Corvanta NET rilevata nel profilo "
    "'HKEY_LOCAL_MACHINE\\Software\\Kvr\\Corvanta\\");
const QString kFrame = QStringLiteral("Aggiornamento installazione profilo: ");

class ProfileSelection : public ::testing::Test {
protected:
    ProfileSelection()
    {
        QMap<QString, QString> client = FileProfileSettings();
        client[QStringLiteral("Server")] = QString();
        client[QStringLiteral("PrcDir")] = QStringLiteral("D:\\Prova");
        installation.writeProfile(QStringLiteral("Prova"), client);
    }

    // "Corvanta" made current, as at the end of a start-up.
    void selectCorvanta()
    {
        ASSERT_TRUE(SelezionaProfilo(ui, QStringLiteral("Corvanta")));
        ASSERT_EQ(VarGlobali.ProfiloCorrente, QStringLiteral("Corvanta"));
    }

    void setSystemSwitch(const QString& value) const
    {
        WinePrefixWriter writer = installation.prefix().writer();
        writer.setText(QStringLiteral("HKLM\\SOFTWARE\\KVR\\CORVANTA"), QStringLiteral("SystemInst"), value);
        writer.save();
    }

    TestInstallation installation;
    ScriptedUiServices ui;
};

TEST_F(ProfileSelection, AcceptsAServerInstallationWithoutAskingAndShowsItsNameInUpperCase)
{
    EXPECT_TRUE(SelezionaProfilo(ui, QStringLiteral("corvanta")));
    EXPECT_EQ(VarGlobali.ProfiloCorrente, QStringLiteral("corvanta"));
    EXPECT_EQ(VarGlobali.PrcSubDataType, QStringLiteral("(Nessuno)"));
    EXPECT_EQ(ui.caption(Control::Frame1), kFrame + QStringLiteral("CORVANTA"));
    EXPECT_TRUE(ui.messageBoxes().empty());

    // A lower-case "s" is a server too.
    QMap<QString, QString> settings = FileProfileSettings();
    settings[QStringLiteral("Server")] = QStringLiteral("s");
    installation.writeProfile(QStringLiteral("Filiale"), settings);
    EXPECT_TRUE(SelezionaProfilo(ui, QStringLiteral("Filiale")));
    EXPECT_EQ(ui.caption(Control::Frame1), kFrame + QStringLiteral("FILIALE"));
    EXPECT_TRUE(ui.messageBoxes().empty());
}

TEST_F(ProfileSelection, AsksBeforeAcceptingAClientAndPutsEverythingBackOnNo)
{
    selectCorvanta();
    const ProfileGlobals before = VarGlobali;
    const QString frameBefore = ui.caption(Control::Frame1);

    ui.answerQuestion(MsgAnswer::No);
    EXPECT_FALSE(SelezionaProfilo(ui, QStringLiteral("prova")));
    ASSERT_EQ(ui.messageBoxes().size(), 1U);
    EXPECT_EQ(
        ui.messageBoxes().back().text,
        QStringLiteral("L'installazione di Corvanta/Corvanta NET, nel profilo 'PROVA', su questa macchina risulta "
                       "essere di tipo Client e non Server, procedere ugualmente?"));
    EXPECT_EQ(ui.messageBoxes().back().style, 292);
    EXPECT_EQ(ui.messageBoxes().back().title, QStringLiteral("Messaggio di Corvanta NET"));
    EXPECT_EQ(VarGlobali, before);
    EXPECT_EQ(ui.caption(Control::Frame1), frameBefore);

    ui.answerQuestion(MsgAnswer::Yes);
    EXPECT_TRUE(SelezionaProfilo(ui, QStringLiteral("prova")));
    EXPECT_EQ(VarGlobali.ProfiloCorrente, QStringLiteral("prova"));
    EXPECT_EQ(VarGlobali.PrcDir, QStringLiteral("D:\\Prova"));
    EXPECT_EQ(ui.caption(Control::Frame1), kFrame + QStringLiteral("PROVA"));
}

TEST_F(ProfileSelection, RefusesAProfileWithoutInstallationNamingTheStoreItLookedIn)
{
    selectCorvanta();
    const ProfileGlobals before = VarGlobali;

    EXPECT_FALSE(SelezionaProfilo(ui, QStringLiteral("Nessuno")));
    ASSERT_EQ(ui.messageBoxes().size(), 1U);
    EXPECT_EQ(ui.messageBoxes().back().text, kNoInstallationPerUser + QStringLiteral("Nessuno'."));
    EXPECT_EQ(ui.messageBoxes().back().style, 48);
    EXPECT_EQ(VarGlobali, before);
    EXPECT_EQ(ui.caption(Control::Frame1), kFrame + QStringLiteral("CORVANTA"));

    // A name of blanks is a name: it is looked up like any other.
    EXPECT_FALSE(SelezionaProfilo(ui, QStringLiteral("  ")));
    EXPECT_EQ(ui.messageBoxes().back().text, kNoInstallationPerUser + QStringLiteral("  '."));

    // With a system-wide installation the per-user profiles are not looked at.
    setSystemSwitch(QStringLiteral("-1"));
    EXPECT_FALSE(SelezionaProfilo(ui, QStringLiteral("corvanta")));
    EXPECT_EQ(ui.messageBoxes().back().text, kNoInstallationSystemWide + QStringLiteral("corvanta'."));
    EXPECT_EQ(VarGlobali, before);
}

TEST_F(ProfileSelection, AnEmptyNameIsRefusedSilently)
{
    EXPECT_FALSE(SelezionaProfilo(ui, QString()));
    EXPECT_TRUE(ui.calls().isEmpty());
    EXPECT_EQ(VarGlobali, ProfileGlobals());
}

TEST_F(ProfileSelection, ASettingsErrorIsReportedOnceAndTheSettingsArePutBack)
{
    selectCorvanta();
    const ProfileGlobals before = VarGlobali;
    setSystemSwitch(QStringLiteral("99999999999"));

    EXPECT_FALSE(SelezionaProfilo(ui, QStringLiteral("Prova")));
    ASSERT_EQ(ui.messageBoxes().size(), 1U);
    EXPECT_TRUE(ui.messageBoxes().back().text.startsWith(
        QStringLiteral("Routine Corabicab:GetVarGlobali, linea 30, errore 6, ")))
        << ui.messageBoxes().back().text.toStdString();
    EXPECT_EQ(VarGlobali, before);
}

// The window's frame failing to take its caption stands for any error after
// the profile was made current: it is reported, and nothing is put back.
class FailingFrame : public ScriptedUiServices {
public:
    void setCaption(Control control, const QString& caption) override
    {
        if (control == Control::Frame1)
            throw RuntimeError(5, QStringLiteral("Chiamata di routine o argomento non validi."));
        ScriptedUiServices::setCaption(control, caption);
    }
};

TEST_F(ProfileSelection, AnErrorOfItsOwnIsReportedWithItsStepAndLeavesTheNewProfile)
{
    selectCorvanta();
    FailingFrame failing;
    failing.answerQuestion(MsgAnswer::Yes);

    EXPECT_FALSE(SelezionaProfilo(failing, QStringLiteral("Prova")));
    ASSERT_EQ(failing.messageBoxes().size(), 2U);
    EXPECT_EQ(failing.messageBoxes().back().text,
              QStringLiteral("Routine fmAgab:SelezionaProfilo, linea 470, errore 5, descrizione: Chiamata di routine o "
                             "argomento non validi."));
    EXPECT_EQ(failing.messageBoxes().back().style, 16);
    EXPECT_EQ(VarGlobali.ProfiloCorrente, QStringLiteral("Prova"));
    EXPECT_EQ(VarGlobali.PrcDir, QStringLiteral("D:\\Prova"));
}

}  // namespace
