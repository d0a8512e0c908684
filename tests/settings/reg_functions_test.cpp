#include "settings/reg_functions.h"
#include "platform/runtime/runtime_error.h"
#include "platform/wine_registry/wine_registry.h"
#include "settings/reg_functions_testing.h"
#include "support/qt_printers.h"
#include "support/temporary_prefix.h"

#include <gtest/gtest.h>

namespace {

const QString kCorvanta = QStringLiteral("HKLM\\SOFTWARE\\KVR\\CORVANTA");

class RegistryKeys : public ::testing::Test {
protected:
    RegistryKeys() { ResetChiaviAperteForTests(); }
    ~RegistryKeys() override { ResetChiaviAperteForTests(); }

    std::size_t tableSize() const { return ChiaviAperte() ? ChiaviAperte()->size() : 0; }

    TemporaryPrefix prefix_;
};

TEST_F(RegistryKeys, OpeningRecordsTheFullNameOfTheKey)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.createKey(kCorvanta + QStringLiteral("\\Prova"));
    writer.save();

    std::int32_t corvanta = 0;
    ASSERT_TRUE(RegApriChiave(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\KVR\\CORVANTA"), corvanta));
    EXPECT_EQ(RegNomeChiave(corvanta), QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\KVR\\CORVANTA"));
    std::int32_t prova = 0;
    ASSERT_TRUE(RegApriChiave(corvanta, QStringLiteral("prova"), prova));
    EXPECT_EQ(RegNomeChiave(prova), QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\KVR\\CORVANTA\\prova"));

    // A parent neither a root nor recorded has no name.
    std::int32_t unrecorded = 0;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KVR", &unrecorded), ERROR_SUCCESS);
    std::int32_t below = 0;
    ASSERT_TRUE(RegApriChiave(unrecorded, QStringLiteral("CORVANTA"), below));
    EXPECT_EQ(RegNomeChiave(below), QStringLiteral("\\CORVANTA"));

    for (const std::int32_t handle : {below, unrecorded, prova, corvanta})
        EXPECT_TRUE(RegChiudiChiave(handle));
}

TEST_F(RegistryKeys, TheTableIsCreatedWithOneEntryAndGrowsAtItsEnd)
{
    EXPECT_FALSE(ChiaviAperte().has_value());
    EXPECT_EQ(RegCercaChiave(0x100), -1);
    EXPECT_EQ(RegNomeChiave(0x100), QString());

    RegRegistraChiave(0x200, QStringLiteral("primo"));
    ASSERT_TRUE(ChiaviAperte().has_value());
    ASSERT_EQ(tableSize(), 1U);
    EXPECT_EQ(RegCercaChiave(0x200), 0);
    RegRegistraChiave(0x104, QStringLiteral("secondo"));
    ASSERT_EQ(tableSize(), 2U);
    EXPECT_EQ(RegCercaChiave(0x104), 1);

    // A handle already there keeps its place and takes the new name.
    RegRegistraChiave(0x200, QStringLiteral("rinominato"));
    ASSERT_EQ(tableSize(), 2U);
    EXPECT_EQ((*ChiaviAperte())[0].hChiave, 0x200);
    EXPECT_EQ((*ChiaviAperte())[0].Nome, QStringLiteral("rinominato"));
    EXPECT_EQ(RegNomeChiave(0x104), QStringLiteral("secondo"));
}

TEST_F(RegistryKeys, AFailedOpenRecordsNothing)
{
    std::int32_t handle = 0;
    EXPECT_FALSE(RegApriChiave(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\KVR\\CORVANTA"), handle));
    EXPECT_FALSE(ChiaviAperte().has_value());
    RegRegistraChiave(0x300, QStringLiteral("x"));
    EXPECT_FALSE(RegApriChiave(0x300, QStringLiteral("Manca"), handle));
    EXPECT_EQ(tableSize(), 1U);
}

TEST_F(RegistryKeys, ClosedKeysKeepTheirEntryAndAReusedHandleIsRenamedInPlace)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.createKey(QStringLiteral("HKLM\\A"));
    writer.createKey(QStringLiteral("HKCU\\B"));
    writer.save();

    std::int32_t a = 0;
    ASSERT_TRUE(RegApriChiave(HKEY_LOCAL_MACHINE, QStringLiteral("A"), a));
    EXPECT_TRUE(RegChiudiChiave(a));
    EXPECT_FALSE(RegChiudiChiave(a));
    EXPECT_EQ(RegNomeChiave(a), QStringLiteral("HKEY_LOCAL_MACHINE\\A"));

    std::int32_t b = 0;
    ASSERT_TRUE(RegApriChiave(HKEY_CURRENT_USER, QStringLiteral("B"), b));
    ASSERT_EQ(b, a);  // the platform hands the closed value out again
    EXPECT_EQ(tableSize(), 1U);
    EXPECT_EQ(RegNomeChiave(b), QStringLiteral("HKEY_CURRENT_USER\\B"));
    RegChiudiChiave(b);
}

TEST_F(RegistryKeys, ReadsTextValuesOnly)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(kCorvanta, QStringLiteral("Testo"), QStringLiteral("abc"));
    writer.setText(kCorvanta, QStringLiteral("ConNul"), QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd"));
    writer.setText(kCorvanta, QStringLiteral("Vuoto"), QString());
    writer.setValue(kCorvanta, ParseValueAssignment(QStringLiteral("SenzaDati=hex(1):")));
    writer.setText(kCorvanta, QStringLiteral("Accenti"), QStringLiteral("Perù 5€ Ωmega"));
    writer.setDword(kCorvanta, QStringLiteral("Numero"), 4294967295U);
    writer.setValue(kCorvanta, ParseValueAssignment(QStringLiteral("Espandibile=str(2):%WINDIR%")));
    writer.save();
    std::int32_t key = 0;
    ASSERT_TRUE(RegApriChiave(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\KVR\\CORVANTA"), key));

    QString text = QStringLiteral("prima");
    EXPECT_TRUE(RegLeggiStringa(key, QStringLiteral("TESTO"), text));
    EXPECT_EQ(text, QStringLiteral("abc"));
    EXPECT_TRUE(RegLeggiStringa(key, QStringLiteral("ConNul"), text));
    EXPECT_EQ(text, QStringLiteral("ab"));
    EXPECT_TRUE(RegLeggiStringa(key, QStringLiteral("Vuoto"), text));
    EXPECT_EQ(text, QString());
    text = QStringLiteral("prima");
    EXPECT_TRUE(RegLeggiStringa(key, QStringLiteral("SenzaDati"), text));
    EXPECT_EQ(text, QString());
    EXPECT_TRUE(RegLeggiStringa(key, QStringLiteral("accenti"), text));
    EXPECT_EQ(text, QStringLiteral("Perù 5€ ?mega"));

    for (const char* absent : {"Manca", "Numero", "Espandibile"}) {
        text = QStringLiteral("prima");
        EXPECT_FALSE(RegLeggiStringa(key, QString::fromLatin1(absent), text)) << absent;
        EXPECT_EQ(text, QStringLiteral("prima"));
    }
    RegChiudiChiave(key);
    text = QStringLiteral("prima");
    EXPECT_FALSE(RegLeggiStringa(key, QStringLiteral("Testo"), text));
    EXPECT_EQ(text, QStringLiteral("prima"));
}

TEST_F(RegistryKeys, NamesCrossInCodePage1252AndAreRecordedAsGiven)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(QStringLiteral("HKCU\\Società\\?mega"), QStringLiteral("Città"), QStringLiteral("sì"));
    writer.save();

    std::int32_t key = 0;
    // "Ω" is not in the code page: it goes to the platform as "?".
    ASSERT_TRUE(RegApriChiave(HKEY_CURRENT_USER, QStringLiteral("SOCIETÀ\\Ωmega"), key));
    EXPECT_EQ(RegNomeChiave(key), QStringLiteral("HKEY_CURRENT_USER\\SOCIETÀ\\Ωmega"));
    QString text;
    EXPECT_TRUE(RegLeggiStringa(key, QStringLiteral("CITTÀ"), text));
    EXPECT_EQ(text, QStringLiteral("sì"));
    RegChiudiChiave(key);
}

TEST_F(RegistryKeys, RootNamesAndNulCutting)
{
    EXPECT_EQ(RegNomeRadice(HKEY_CLASSES_ROOT), QStringLiteral("HKEY_CLASSES_ROOT"));
    EXPECT_EQ(RegNomeRadice(HKEY_CURRENT_USER), QStringLiteral("HKEY_CURRENT_USER"));
    EXPECT_EQ(RegNomeRadice(static_cast<std::int32_t>(0x80000002)), QStringLiteral("HKEY_LOCAL_MACHINE"));
    EXPECT_EQ(RegNomeRadice(HKEY_USERS), QStringLiteral("HKEY_USERS"));
    EXPECT_EQ(RegNomeRadice(static_cast<std::int32_t>(0x80000005)), QString());
    EXPECT_EQ(RegNomeRadice(0), QString());
    // A root is named even when the table records something else for it.
    RegRegistraChiave(HKEY_USERS, QStringLiteral("altro"));
    EXPECT_EQ(RegNomeChiave(HKEY_USERS), QStringLiteral("HKEY_USERS"));

    EXPECT_EQ(TroncaAlNul(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(TroncaAlNul(QChar(u'\0') + QStringLiteral("abc")), QString());
    EXPECT_EQ(TroncaAlNul(QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("c") + QChar(u'\0')),
              QStringLiteral("ab"));
    EXPECT_EQ(TroncaAlNul(QString()), QString());
}

TEST_F(RegistryKeys, AFullTableGivesAnOverflowForANewHandle)
{
    for (std::int32_t handle = 1; handle <= 32768; ++handle)
        RegRegistraChiave(handle, QStringLiteral("k"));
    ASSERT_EQ(tableSize(), 32768U);
    EXPECT_EQ(RegCercaChiave(32768), 32767);
    RegRegistraChiave(32768, QStringLiteral("rinominato"));
    EXPECT_EQ(RegNomeChiave(32768), QStringLiteral("rinominato"));

    try {
        RegRegistraChiave(40000, QStringLiteral("nuovo"));
        ADD_FAILURE() << "no overflow";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::Overflow);
        EXPECT_EQ(error.description(), QStringLiteral("Overflow"));
    }
    EXPECT_THROW(RegNomeChiave(40000), RuntimeError);
    EXPECT_EQ(tableSize(), 32768U);
}

}  // namespace
