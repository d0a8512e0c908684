#include "settings/profile_settings.h"
#include "platform/runtime/runtime_error.h"
#include "platform/wine_registry/wine_registry_testing.h"
#include "settings/reg_functions.h"
#include "settings/reg_functions_testing.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"
#include "support/temporary_prefix.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

namespace {

const QString kSwitchKey = QStringLiteral("HKLM\\SOFTWARE\\KVR\\CORVANTA");

QString UserSection(const QString& application, const QString& section)
{
    return QStringLiteral("HKCU\\Software\\VB and VBA Program Settings\\") + application + QLatin1Char('\\') + section;
}

QString SystemSection(const QString& application, const QString& section)
{
    return QStringLiteral("HKLM\\SOFTWARE\\KVR\\") + application + QLatin1Char('\\') + section;
}

const ProfileGlobals kOld{QStringLiteral("vecchio1"), QStringLiteral("vecchio2"), QStringLiteral("vecchio3"),
                          QStringLiteral("vecchio4"), QStringLiteral("vecchio5"), QStringLiteral("vecchio6"),
                          QStringLiteral("Profilo")};

class ProfileSettings : public ::testing::Test {
protected:
    ProfileSettings()
    {
        ResetChiaviAperteForTests();
        VarGlobali = {};
    }
    ~ProfileSettings() override
    {
        ResetChiaviAperteForTests();
        VarGlobali = {};
    }

    // The same six settings of a profile in both stores, told apart by their prefix.
    void writeBothStores(WinePrefixWriter& writer, const QString& profile)
    {
        for (const char* key : {"PrcSubDataType", "PrcAdoConnect", "PrcAdoProvider", "PrcExt", "PrcDir", "Server"}) {
            const QString name = QString::fromLatin1(key);
            writer.setText(UserSection(QStringLiteral("CORVANTA"), profile), name, QStringLiteral("utente:") + name);
            writer.setText(SystemSection(QStringLiteral("CORVANTA"), profile), name, QStringLiteral("sistema:") + name);
        }
    }

    void writeSwitch(const QString& text)
    {
        WinePrefixWriter writer = prefix_.writer();
        writer.setText(kSwitchKey, QStringLiteral("SystemInst"), text);
        writer.save();
    }

    TemporaryPrefix prefix_;
    ScriptedUiServices ui_;
};

TEST_F(ProfileSettings, WithoutTheInstallationKeyEveryReadGoesToThePerUserStore)
{
    WinePrefixWriter writer = prefix_.writer();
    writeBothStores(writer, QStringLiteral("Prova"));
    writer.save();
    EXPECT_FALSE(IsInstallazioneDiSistema());
    EXPECT_EQ(LeggiImpostazione(QStringLiteral("Corvanta"), QStringLiteral("PROVA"), QStringLiteral("prcext"),
                                QStringLiteral("?")),
              QStringLiteral("utente:PrcExt"));
}

TEST_F(ProfileSettings, TheSwitchIsTheLeadingNumberOfSystemInstRoundedHalfToEven)
{
    WinePrefixWriter writer = prefix_.writer();
    writeBothStores(writer, QStringLiteral("Prova"));
    writer.save();
    const std::vector<std::pair<QString, bool>> cases = {
        {QStringLiteral("-1"), true},
        {QStringLiteral("1"), false},
        {QStringLiteral("0"), false},
        {QStringLiteral("True"), false},
        {QString(), false},
        {QStringLiteral("-1.2"), true},
        {QStringLiteral("-0.5"), false},
        {QStringLiteral("-1.5"), false},
        {QStringLiteral("-0.51"), true},
        {QStringLiteral(" -\t1\n"), true},
        {QStringLiteral("-1abc"), true},
        {QStringLiteral("-1e0"), true},
        {QStringLiteral("Vero"), false},
        {QStringLiteral("- 1.49"), true},
    };
    for (const auto& [text, on] : cases) {
        SCOPED_TRACE(text.toStdString());
        writeSwitch(text);
        EXPECT_EQ(IsInstallazioneDiSistema(), on);
        EXPECT_EQ(LeggiImpostazione(QStringLiteral("CORVANTA"), QStringLiteral("Prova"), QStringLiteral("Server"), {}),
                  on ? QStringLiteral("sistema:Server") : QStringLiteral("utente:Server"));
    }
}

TEST_F(ProfileSettings, ASwitchStoredAsANumberIsOff)
{
    WinePrefixWriter writer = prefix_.writer();
    writeBothStores(writer, QStringLiteral("Prova"));
    writer.setDword(kSwitchKey, QStringLiteral("SystemInst"), 0xFFFFFFFF);
    writer.save();
    EXPECT_FALSE(IsInstallazioneDiSistema());
    EXPECT_EQ(LeggiImpostazione(QStringLiteral("CORVANTA"), QStringLiteral("Prova"), QStringLiteral("PrcDir"), {}),
              QStringLiteral("utente:PrcDir"));
}

TEST_F(ProfileSettings, TheSystemTreeGivesTheDefaultForAnEmptyMissingOrNonTextSetting)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(kSwitchKey, QStringLiteral("SystemInst"), QStringLiteral("-1"));
    const QString section = SystemSection(QStringLiteral("CORVANTA"), QStringLiteral("Prova"));
    writer.setText(section, QStringLiteral("Vuoto"), QString());
    writer.setDword(section, QStringLiteral("Numero"), 7);
    writer.setText(section, QStringLiteral("Testo"), QStringLiteral("c'è"));
    writer.save();
    const auto read = [](const QString& section, const QString& key) {
        return LeggiImpostazione(QStringLiteral("Corvanta"), section, key, QStringLiteral("predefinito"));
    };
    EXPECT_EQ(read(QStringLiteral("prova"), QStringLiteral("Testo")), QStringLiteral("c'è"));
    EXPECT_EQ(read(QStringLiteral("Prova"), QStringLiteral("Vuoto")), QStringLiteral("predefinito"));
    EXPECT_EQ(read(QStringLiteral("Prova"), QStringLiteral("Numero")), QStringLiteral("predefinito"));
    EXPECT_EQ(read(QStringLiteral("Prova"), QStringLiteral("Manca")), QStringLiteral("predefinito"));
    EXPECT_EQ(read(QStringLiteral("Altro"), QStringLiteral("Testo")), QStringLiteral("predefinito"));
}

TEST_F(ProfileSettings, ThePerUserStoreGivesAnEmptyTextAsItIs)
{
    WinePrefixWriter writer = prefix_.writer();
    const QString section = UserSection(QStringLiteral("CORVANTA"), QStringLiteral("Prova"));
    writer.setText(section, QStringLiteral("Vuoto"), QString());
    writer.setDword(section, QStringLiteral("Numero"), 7);
    writer.save();
    EXPECT_EQ(LeggiImpostazione(QStringLiteral("CORVANTA"), QStringLiteral("Prova"), QStringLiteral("Vuoto"),
                                QStringLiteral("predefinito")),
              QString());
    EXPECT_EQ(LeggiImpostazione(QStringLiteral("CORVANTA"), QStringLiteral("Prova"), QStringLiteral("Numero"),
                                QStringLiteral("predefinito")),
              QStringLiteral("predefinito"));
}

TEST_F(ProfileSettings, EveryReadDecidesAfreshAndClosesItsKeys)
{
    WinePrefixWriter writer = prefix_.writer();
    writeBothStores(writer, QStringLiteral("Prova"));
    writer.save();
    const auto read = [] {
        return LeggiImpostazione(QStringLiteral("CORVANTA"), QStringLiteral("Prova"), QStringLiteral("PrcExt"), {});
    };
    EXPECT_EQ(read(), QStringLiteral("utente:PrcExt"));
    writeSwitch(QStringLiteral("-1"));
    EXPECT_EQ(read(), QStringLiteral("sistema:PrcExt"));
    writeSwitch(QStringLiteral("0"));
    EXPECT_EQ(read(), QStringLiteral("utente:PrcExt"));

    writeSwitch(QStringLiteral("-1"));
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(GetVarGlobali(ui_, QStringLiteral("Prova")));
    EXPECT_EQ(OpenWineRegistryKeyCountForTests(), 0);
    // The platform reuses the handles closed, so the table stays small.
    ASSERT_TRUE(ChiaviAperte().has_value());
    EXPECT_LE(ChiaviAperte()->size(), 2U);
}

TEST_F(ProfileSettings, ProcedureDatabaseName)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(UserSection(QStringLiteral("Corvanta"), QStringLiteral("Prova")), QStringLiteral("PrcName"),
                   QStringLiteral("arcprova"));
    writer.setText(SystemSection(QStringLiteral("CORVANTA"), QStringLiteral("Prova")), QStringLiteral("PrcName"),
                   QStringLiteral("archivio"));
    writer.save();
    EXPECT_EQ(GetNomeArcProc(QStringLiteral("Prova")), QStringLiteral("ARCPROVA"));
    EXPECT_EQ(GetNomeArcProc(QStringLiteral("Altro")), QStringLiteral("ARCPROC"));
    writeSwitch(QStringLiteral("-1"));
    EXPECT_EQ(GetNomeArcProc(QStringLiteral("PROVA")), QStringLiteral("ARCHIVIO"));
    EXPECT_EQ(GetNomeArcProc(QStringLiteral("Altro")), QStringLiteral("ARCPROC"));
}

TEST_F(ProfileSettings, PasswordKeyIsStyleForTheCorvantaProfileAndStyleWithTheNameOtherwise)
{
    WinePrefixWriter writer = prefix_.writer();
    const QString user = UserSection(QStringLiteral("TrueType"), QStringLiteral("Arial"));
    writer.setText(user, QStringLiteral("Style"), QStringLiteral("segreto"));
    writer.setText(user, QStringLiteral("StyleProva"), QStringLiteral("prova123"));
    writer.setText(user, QStringLiteral("StyleCorvanta"), QStringLiteral("mai letto"));
    writer.setText(SystemSection(QStringLiteral("TrueType"), QStringLiteral("Arial")), QStringLiteral("Style"),
                   QStringLiteral("di sistema"));
    writer.save();
    for (const char* corvanta : {"Corvanta", "CORVANTA", "cOrVaNtA"})
        EXPECT_EQ(GetPasswordArcProc(QString::fromLatin1(corvanta)), QStringLiteral("segreto")) << corvanta;
    EXPECT_EQ(GetPasswordArcProc(QStringLiteral("Prova")), QStringLiteral("prova123"));
    EXPECT_EQ(GetPasswordArcProc(QStringLiteral("Altro")), QString());
    writeSwitch(QStringLiteral("-1"));
    EXPECT_EQ(GetPasswordArcProc(QStringLiteral("Corvanta")), QStringLiteral("di sistema"));
    EXPECT_EQ(GetPasswordArcProc(QStringLiteral("Prova")), QString());
}

TEST_F(ProfileSettings, GetVarGlobaliLoadsTheSixFieldsFromTheChosenStore)
{
    WinePrefixWriter writer = prefix_.writer();
    writeBothStores(writer, QStringLiteral("Prova"));
    writer.save();
    VarGlobali = kOld;
    ASSERT_TRUE(GetVarGlobali(ui_, QStringLiteral("Prova")));
    EXPECT_EQ(
        VarGlobali,
        (ProfileGlobals{QStringLiteral("utente:PrcSubDataType"), QStringLiteral("utente:PrcAdoConnect"),
                        QStringLiteral("utente:PrcAdoProvider"), QStringLiteral("utente:PrcExt"),
                        QStringLiteral("utente:PrcDir"), QStringLiteral("utente:Server"), QStringLiteral("Profilo")}));
    writeSwitch(QStringLiteral("-1"));
    ASSERT_TRUE(GetVarGlobali(ui_, QStringLiteral("PROVA")));
    EXPECT_EQ(VarGlobali.PrcSubDataType, QStringLiteral("sistema:PrcSubDataType"));
    EXPECT_EQ(VarGlobali.Server, QStringLiteral("sistema:Server"));
    EXPECT_TRUE(ui_.messageBoxes().empty());
}

TEST_F(ProfileSettings, AProfileInNeitherStoreLoadsTheDefaults)
{
    VarGlobali = kOld;
    ASSERT_TRUE(GetVarGlobali(ui_, QStringLiteral("Nessuno")));
    EXPECT_EQ(VarGlobali, (ProfileGlobals{QStringLiteral("?"), {}, {}, {}, {}, {}, QStringLiteral("Profilo")}));

    // Likewise with the switch on and no key for the profile.
    writeSwitch(QStringLiteral("-1"));
    VarGlobali = kOld;
    ASSERT_TRUE(GetVarGlobali(ui_, QStringLiteral("Nessuno")));
    EXPECT_EQ(VarGlobali, (ProfileGlobals{QStringLiteral("?"), {}, {}, {}, {}, {}, QStringLiteral("Profilo")}));
    EXPECT_TRUE(ui_.messageBoxes().empty());
}

TEST_F(ProfileSettings, ASwitchBeyond32BitsIsReportedAtLine30)
{
    WinePrefixWriter writer = prefix_.writer();
    writeBothStores(writer, QStringLiteral("Prova"));
    writer.save();
    writeSwitch(QStringLiteral("99999999999"));
    EXPECT_THROW(IsInstallazioneDiSistema(), RuntimeError);

    VarGlobali = kOld;
    EXPECT_FALSE(GetVarGlobali(ui_, QStringLiteral("Prova")));
    EXPECT_EQ(VarGlobali, kOld);
    ASSERT_EQ(ui_.messageBoxes().size(), 1U);
    EXPECT_EQ(ui_.messageBoxes()[0].text,
              QStringLiteral("Routine Corabicab:GetVarGlobali, linea 30, errore 6, descrizione: Overflow"));
    EXPECT_EQ(ui_.messageBoxes()[0].style, 16);
    EXPECT_EQ(ui_.messageBoxes()[0].title, QStringLiteral("Messaggio di Corvanta NET"));
}

// A hive file that becomes malformed just before its fourth read: with the
// switch off, each setting reads system.reg once and user.reg once, so the
// fourth read of either is the one of line 60.
TEST_F(ProfileSettings, AnErrorWhileReadingPrcExtIsReportedAtLine60AndKeepsTheLaterFields)
{
    for (const QString& file : {QStringLiteral("system.reg"), QStringLiteral("user.reg")}) {
        SCOPED_TRACE(file.toStdString());
        ScriptedUiServices ui;
        QFile::remove(prefix_.filePath(QStringLiteral("system.reg")));
        QFile::remove(prefix_.filePath(QStringLiteral("user.reg")));
        WinePrefixWriter writer = prefix_.writer();
        writeBothStores(writer, QStringLiteral("Prova"));
        writer.setText(kSwitchKey, QStringLiteral("SystemInst"), QStringLiteral("0"));
        writer.save();
        int reads = 0;
        SetHiveReadHookForTests([&](const QString& path) {
            if (QFileInfo(path).fileName() == file && ++reads == 4)
                prefix_.writeFile(file, "WINE REGISTRY Version 2\n[Software]\n\"rotto\"=\"");
        });

        VarGlobali = kOld;
        EXPECT_FALSE(GetVarGlobali(ui, QStringLiteral("Prova")));
        SetHiveReadHookForTests({});
        EXPECT_EQ(VarGlobali,
                  (ProfileGlobals{QStringLiteral("utente:PrcSubDataType"), QStringLiteral("utente:PrcAdoConnect"),
                                  QStringLiteral("utente:PrcAdoProvider"), kOld.PrcExt, kOld.PrcDir, kOld.Server,
                                  kOld.ProfiloCorrente}));
        ASSERT_EQ(ui.messageBoxes().size(), 1U);
        EXPECT_EQ(ui.messageBoxes()[0].text,
                  QStringLiteral("Routine Corabicab:GetVarGlobali, linea 60, errore -2147467259, descrizione: "
                                 "File del registro \"%1\" non valido alla riga 3: manca il '\"' che chiude il testo.")
                      .arg(prefix_.filePath(file)));
        EXPECT_EQ(ui.messageBoxes()[0].style, 16);
        EXPECT_EQ(OpenWineRegistryKeyCountForTests(), 0);
    }
}

}  // namespace
