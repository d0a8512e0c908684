#include "platform/wine_registry/wine_registry.h"
#include "platform/runtime/runtime_error.h"
#include "platform/wine_registry/code_page_1252.h"
#include "platform/wine_registry/per_user_settings.h"
#include "platform/wine_registry/wine_registry_testing.h"
#include "support/qt_printers.h"
#include "support/temporary_prefix.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QTemporaryDir>

namespace {

const QString kCorvanta = QStringLiteral("HKLM\\SOFTWARE\\KVR\\CORVANTA");

class WineRegistry : public ::testing::Test {
protected:
    std::int32_t open(std::int32_t parent, const char* path)
    {
        std::int32_t handle = -1;
        EXPECT_EQ(RegOpenKeyA(parent, path, &handle), ERROR_SUCCESS) << path;
        return handle;
    }

    // The value's bytes as the ANSI call gives them, read in the two calls.
    QByteArray read(std::int32_t key, const char* name, std::uint32_t* type = nullptr)
    {
        std::uint32_t size = 0;
        std::uint32_t ownType = 0;
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, &ownType, nullptr, &size), ERROR_SUCCESS) << name;
        QByteArray data(static_cast<qsizetype>(size), '#');
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<unsigned char*>(data.data()), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(size, static_cast<std::uint32_t>(data.size()));
        if (type)
            *type = ownType;
        return data;
    }

    TemporaryPrefix prefix_;
};

TEST_F(WineRegistry, OpensReadsAndClosesKeysOfBothHives)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(kCorvanta, QStringLiteral("SystemInst"), QStringLiteral("-1"));
    writer.setText(QStringLiteral("HKCU\\Software\\Prova"), QStringLiteral("Nome"), QStringLiteral("utente"));
    writer.save();

    const std::int32_t corvanta = open(HKEY_LOCAL_MACHINE, "SOFTWARE\\KVR\\CORVANTA");
    std::uint32_t type = 0;
    EXPECT_EQ(read(corvanta, "SystemInst", &type), QByteArray("-1\0", 3));
    EXPECT_EQ(type, REG_SZ);
    const std::int32_t user = open(HKEY_CURRENT_USER, "software\\PROVA");
    EXPECT_EQ(read(user, "nome"), QByteArray("utente\0", 7));
    EXPECT_EQ(RegCloseKey(corvanta), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(user), ERROR_SUCCESS);
    EXPECT_EQ(OpenWineRegistryKeyCountForTests(), 0);
}

TEST_F(WineRegistry, OpensStepByStepBelowAnOpenKeyAndGivesTheParentForAnEmptyPath)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(kCorvanta + QStringLiteral("\\Prova"), QStringLiteral("PrcExt"), QStringLiteral(".mdb"));
    writer.save();

    const std::int32_t software = open(HKEY_LOCAL_MACHINE, "SOFTWARE");
    const std::int32_t kvr = open(software, "KVR\\");
    const std::int32_t prova = open(kvr, "Corvanta\\\\prova");
    EXPECT_EQ(read(prova, "PrcExt"), QByteArray(".mdb\0", 5));
    std::int32_t same = 0;
    EXPECT_EQ(RegOpenKeyA(prova, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, prova);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, nullptr, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_LOCAL_MACHINE);
    for (const std::int32_t handle : {prova, kvr, software})
        EXPECT_EQ(RegCloseKey(handle), ERROR_SUCCESS);
}

TEST_F(WineRegistry, ResultCodesAreThoseOfThePlatform)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(kCorvanta, QStringLiteral("SystemInst"), QStringLiteral("-1"));
    writer.save();

    std::int32_t handle = 12345;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KVR\\ALTRO", &handle), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "\\SOFTWARE", &handle), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyA(0, "SOFTWARE", &handle), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(0x104, "SOFTWARE", &handle), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(static_cast<std::int32_t>(0x80000005), "SOFTWARE", &handle), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE", nullptr), ERROR_INVALID_PARAMETER);
    // On Linux the other two roots are empty.
    EXPECT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "SOFTWARE", &handle), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyA(HKEY_USERS, ".DEFAULT", &handle), ERROR_FILE_NOT_FOUND);

    const std::int32_t key = open(HKEY_LOCAL_MACHINE, "SOFTWARE\\KVR\\CORVANTA");
    std::uint32_t type = 99;
    std::uint32_t size = 99;
    EXPECT_EQ(RegQueryValueExA(key, "Manca", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    std::uint32_t reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "SystemInst", &reserved, &type, nullptr, &size), ERROR_INVALID_PARAMETER);
    unsigned char buffer[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(RegQueryValueExA(key, "SystemInst", nullptr, &type, buffer, nullptr), ERROR_INVALID_PARAMETER);
    size = 2;
    EXPECT_EQ(RegQueryValueExA(key, "SystemInst", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 3U);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(RegQueryValueExA(key, "SystemInst", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(key, "SystemInst", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(0), ERROR_INVALID_HANDLE);
}

TEST_F(WineRegistry, ClosedHandlesAreHandedOutAgainLowestFirst)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.createKey(QStringLiteral("HKLM\\A"));
    writer.save();
    const std::int32_t first = open(HKEY_LOCAL_MACHINE, "A");
    const std::int32_t second = open(HKEY_LOCAL_MACHINE, "A");
    const std::int32_t third = open(HKEY_LOCAL_MACHINE, "A");
    EXPECT_NE(first, second);
    EXPECT_EQ(first % 4, 0);
    EXPECT_EQ(second % 4, 0);
    RegCloseKey(second);
    RegCloseKey(first);
    EXPECT_EQ(open(HKEY_LOCAL_MACHINE, "A"), first);
    EXPECT_EQ(open(HKEY_LOCAL_MACHINE, "A"), second);
    EXPECT_EQ(OpenWineRegistryKeyCountForTests(), 3);
    RegCloseKey(third);
}

TEST_F(WineRegistry, NamesAndTextsCrossInCodePage1252)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(QStringLiteral("HKCU\\Società\\Perù"), QStringLiteral("Città"), QStringLiteral("Caffè 5€ Ωmega"));
    writer.save();

    const std::int32_t key = open(HKEY_CURRENT_USER, ToCodePage1252(QStringLiteral("SOCIETÀ\\perù")).constData());
    const QByteArray ansi = read(key, ToCodePage1252(QStringLiteral("CITTÀ")).constData());
    // One byte a character and the NUL: 14 + 1, not the 30 bytes of UTF-16.
    EXPECT_EQ(ansi.size(), 15);
    EXPECT_EQ(FromCodePage1252(ansi.chopped(1)), QStringLiteral("Caffè 5€ ?mega"));
    RegCloseKey(key);
}

TEST_F(WineRegistry, ValuesOfOtherTypesKeepTheirBytesAndType)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setDword(kCorvanta, QStringLiteral("SystemInst"), 0xFFFFFFFF);
    writer.setValue(kCorvanta, ParseValueAssignment(QStringLiteral("Espandibile=str(2):%WINDIR%")));
    writer.setValue(kCorvanta, ParseValueAssignment(QStringLiteral("Grezzo=hex(1):61,00,62,00")));
    writer.save();

    const std::int32_t key = open(HKEY_LOCAL_MACHINE, "SOFTWARE\\KVR\\CORVANTA");
    std::uint32_t type = 0;
    EXPECT_EQ(read(key, "SystemInst", &type), QByteArray("\xff\xff\xff\xff"));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(read(key, "Espandibile", &type), QByteArray("%WINDIR%\0", 9));
    EXPECT_EQ(type, REG_EXPAND_SZ);
    // A text stored without its NUL is given without one.
    EXPECT_EQ(read(key, "Grezzo", &type), QByteArray("ab"));
    EXPECT_EQ(type, REG_SZ);
    RegCloseKey(key);
}

TEST_F(WineRegistry, ThirtyTwoBitViewContinuesBelowWow6432Node)
{
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(QStringLiteral("HKLM\\Software\\KVR\\CORVANTA"), QStringLiteral("Vista"), QStringLiteral("64"));
    writer.setText(QStringLiteral("HKLM\\Software\\Wow6432Node\\KVR\\CORVANTA"), QStringLiteral("Vista"),
                   QStringLiteral("32"));
    writer.save();

    const std::int32_t redirected = open(HKEY_LOCAL_MACHINE, "SOFTWARE\\KVR\\CORVANTA");
    EXPECT_EQ(read(redirected, "Vista"), QByteArray("32\0", 3));
    const std::int32_t software = open(HKEY_LOCAL_MACHINE, "Software");
    const std::int32_t stepwise = open(software, "KVR\\CORVANTA");
    EXPECT_EQ(read(stepwise, "Vista"), QByteArray("32\0", 3));
    const std::int32_t named = open(HKEY_LOCAL_MACHINE, "Software\\wow6432node\\KVR\\CORVANTA");
    EXPECT_EQ(read(named, "Vista"), QByteArray("32\0", 3));
    for (const std::int32_t handle : {redirected, software, stepwise, named})
        RegCloseKey(handle);
}

TEST_F(WineRegistry, SeesEveryChangeOfTheFileAtTheNextOpen)
{
    for (int round = 0; round < 20; ++round) {
        // Same size each time, written within the same clock tick.
        const QString text = QString::number(round % 10);
        WinePrefixWriter writer = prefix_.writer();
        writer.setText(kCorvanta, QStringLiteral("SystemInst"), text);
        writer.save();
        const std::int32_t key = open(HKEY_LOCAL_MACHINE, "SOFTWARE\\KVR\\CORVANTA");
        EXPECT_EQ(read(key, "SystemInst"), text.toLatin1() + QByteArray(1, '\0'));
        RegCloseKey(key);
    }
}

TEST_F(WineRegistry, AKeyKeepsTheContentItWasOpenedIn)
{
    WinePrefixWriter first = prefix_.writer();
    first.setText(kCorvanta, QStringLiteral("SystemInst"), QStringLiteral("-1"));
    first.save();
    const std::int32_t key = open(HKEY_LOCAL_MACHINE, "SOFTWARE\\KVR\\CORVANTA");
    prefix_.writeFile(QStringLiteral("system.reg"), "rovinato");
    EXPECT_EQ(read(key, "SystemInst"), QByteArray("-1\0", 3));
    RegCloseKey(key);
}

TEST_F(WineRegistry, AMissingPrefixOrFileIsAnEmptyHive)
{
    std::int32_t handle = 0;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE", &handle), ERROR_FILE_NOT_FOUND);
    qputenv("WINEPREFIX", QFile::encodeName(prefix_.filePath(QStringLiteral("non/esiste"))));
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &handle), ERROR_FILE_NOT_FOUND);
    std::uint32_t size = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_LOCAL_MACHINE, "x", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(WineRegistry, WithoutWineprefixTheHomeFolderPrefixIsRead)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("WINEPREFIX");
    WinePrefixWriter writer(home.filePath(QStringLiteral(".wine")));
    writer.setText(QStringLiteral("HKCU\\Software\\Casa"), QStringLiteral("Dove"), QStringLiteral("home"));
    writer.save();

    EXPECT_EQ(WinePrefixPath(), home.filePath(QStringLiteral(".wine")));
    const std::int32_t key = open(HKEY_CURRENT_USER, "Software\\Casa");
    EXPECT_EQ(read(key, "Dove"), QByteArray("home\0", 5));
    RegCloseKey(key);
    qputenv("HOME", oldHome);
}

// The error an open below HKEY_LOCAL_MACHINE raises, empty when it raises none.
QString OpenError()
{
    try {
        std::int32_t handle = 0;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE", &handle) == ERROR_SUCCESS)
            RegCloseKey(handle);
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::Failure);
        return error.description();
    }
    return {};
}

TEST_F(WineRegistry, AnUnusableHiveFileIsAnErrorOfTheOpen)
{
    const QString file = prefix_.filePath(QStringLiteral("system.reg"));
    prefix_.writeFile(QStringLiteral("system.reg"), "WINE REGISTRY Version 2\n[SOFTWARE]\n\"v\"=\"x");
    EXPECT_EQ(OpenError(),
              QStringLiteral("File del registro \"%1\" non valido alla riga 3: "
                             "manca il '\"' che chiude il testo.")
                  .arg(file));
    EXPECT_EQ(OpenWineRegistryKeyCountForTests(), 0);

    // Once mended, the file is read again.
    prefix_.writeFile(QStringLiteral("system.reg"), "WINE REGISTRY Version 2\n[SOFTWARE]\n\"v\"=\"x\"\n");
    EXPECT_EQ(OpenError(), QString());

    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkdir(file));
    EXPECT_EQ(OpenError(),
              QStringLiteral("Impossibile leggere il file del registro \"%1\": non è un file regolare.").arg(file));
    ASSERT_TRUE(QDir().rmdir(file));

    // A named pipe would block the read for ever.
    ASSERT_EQ(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    EXPECT_TRUE(OpenError().contains(QStringLiteral("non è un file regolare")));
}

TEST_F(WineRegistry, TheHookRunsBeforeEveryReadOfAHiveFile)
{
    QStringList reads;
    SetHiveReadHookForTests([&](const QString& path) { reads.append(QFileInfo(path).fileName()); });
    std::int32_t handle = 0;
    RegOpenKeyA(HKEY_LOCAL_MACHINE, "A", &handle);
    RegOpenKeyA(HKEY_CURRENT_USER, "A", &handle);
    RegOpenKeyA(HKEY_USERS, "A", &handle);
    EXPECT_EQ(reads, (QStringList{QStringLiteral("system.reg"), QStringLiteral("user.reg")}));
}

class PerUserSettings : public ::testing::Test {
protected:
    TemporaryPrefix prefix_;
};

TEST_F(PerUserSettings, GivesTheStoredTextOrTheDefault)
{
    const QString section = QStringLiteral("HKCU\\Software\\VB and VBA Program Settings\\Corvanta\\Prova");
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(section, QStringLiteral("PrcDir"), QStringLiteral("C:\\Dati\\Città"));
    writer.setText(section, QStringLiteral("Vuoto"), QString());
    writer.setText(section, QStringLiteral("Troncato"), QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd"));
    writer.setDword(section, QStringLiteral("Numero"), 1);
    writer.save();

    EXPECT_EQ(
        GetSetting(QStringLiteral("CORVANTA"), QStringLiteral("PROVA"), QStringLiteral("prcdir"), QStringLiteral("?")),
        QStringLiteral("C:\\Dati\\Città"));
    EXPECT_EQ(
        GetSetting(QStringLiteral("Corvanta"), QStringLiteral("Prova"), QStringLiteral("Vuoto"), QStringLiteral("?")),
        QString());
    EXPECT_EQ(GetSetting(QStringLiteral("Corvanta"), QStringLiteral("Prova"), QStringLiteral("Troncato"),
                         QStringLiteral("?")),
              QStringLiteral("ab"));
    EXPECT_EQ(
        GetSetting(QStringLiteral("Corvanta"), QStringLiteral("Prova"), QStringLiteral("Numero"), QStringLiteral("?")),
        QStringLiteral("?"));
    EXPECT_EQ(
        GetSetting(QStringLiteral("Corvanta"), QStringLiteral("Prova"), QStringLiteral("Manca"), QStringLiteral("?")),
        QStringLiteral("?"));
    EXPECT_EQ(
        GetSetting(QStringLiteral("Corvanta"), QStringLiteral("Altro"), QStringLiteral("PrcDir"), QStringLiteral("d")),
        QStringLiteral("d"));
    EXPECT_EQ(OpenWineRegistryKeyCountForTests(), 0);
}

}  // namespace
