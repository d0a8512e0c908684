#include "mkprefix/wine_prefix_writer.h"
#include "mkprefix/wine_registry_writer.h"
#include "platform/runtime/runtime_error.h"
#include "platform/wine_registry/per_user_settings.h"
#include "platform/wine_registry/wine_registry_file.h"
#include "support/qt_printers.h"
#include "support/temporary_prefix.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

namespace {

QByteArray FileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(WineRegistryWriter, WritesWhatWineWrites)
{
    RegistryKey root;
    RegistryKey& kvr = root.obtainSubkey(QStringLiteral("Software")).obtainSubkey(QStringLiteral("KVR"));
    kvr.setValue({QStringLiteral("SystemInst"), REG_SZ, RegistryTextData(QStringLiteral("-1"))});
    kvr.setValue({QStringLiteral("Città"), REG_SZ, RegistryTextData(QStringLiteral("Perù \"5\" C:\\"))});
    kvr.setValue({QStringLiteral("N"), REG_DWORD, RegistryDwordData(42)});
    kvr.setValue({QString(), REG_EXPAND_SZ, RegistryTextData(QStringLiteral("%WINDIR%"))});
    root.obtainSubkey(QStringLiteral("Vuota"));

    EXPECT_EQ(FormatWineRegistryFile(root, QStringLiteral("\\Machine"), 1700000000),
              QByteArray("WINE REGISTRY Version 2\n"
                         ";; All keys relative to \\\\Machine\n"
                         "\n"
                         "[Software\\\\KVR] 1700000000\n"
                         "#time=1da1747c66d0000\n"
                         "@=str(2):\"%WINDIR%\"\n"
                         "\"Citt\\xe0\"=\"Per\\xf9 \\\"5\\\" C:\\\\\"\n"
                         "\"N\"=dword:0000002a\n"
                         "\"SystemInst\"=\"-1\"\n"
                         "\n"
                         "[Vuota] 1700000000\n"
                         "#time=1da1747c66d0000\n"));
}

TEST(WineRegistryWriter, WhatItWritesReadsBackAsTheSameTree)
{
    RegistryKey root;
    root.setValue({QStringLiteral("alla radice"), REG_SZ, RegistryTextData(QStringLiteral("r"))});
    RegistryKey& odd = root.obtainSubkey(QStringLiteral("Nomi [strani] \"no\" 100%2"))
                           .obtainSubkey(QString::fromUtf16(u"Ωmega\u00e9a"));
    QString controls;
    for (char16_t c = 0; c < 40; ++c)
        controls.append(QChar(c));
    odd.setValue(
        {QStringLiteral("controlli"), REG_SZ, RegistryTextData(controls + QStringLiteral("07\u00e91\u20acF"))});
    odd.setValue(
        {QStringLiteral("\"citato\" e \\"), REG_MULTI_SZ, RegistryTextData(QStringLiteral("a") + QChar(u'\0') + "b")});
    odd.setValue({QStringLiteral("senza NUL"), REG_SZ, QByteArray("a\0b\0", 4)});
    odd.setValue({QStringLiteral("dispari"), REG_SZ, QByteArray("a\0b", 3)});
    odd.setValue({QStringLiteral("dword corta"), REG_DWORD, QByteArray("\x01\x02", 2)});
    odd.setValue({QStringLiteral("tipo raro"), 0x12345678, QByteArray("xyz")});
    QByteArray binary;
    for (int i = 0; i < 300; ++i)
        binary.append(static_cast<char>(i * 7));
    odd.setValue({QStringLiteral("lungo"), REG_BINARY, binary});
    odd.setValue({QStringLiteral("vuoto"), REG_BINARY, {}});

    const QByteArray file = FormatWineRegistryFile(root, QStringLiteral("\\User\\S-1-5-21-0-0-0-1000"), 0);
    // Long hex data goes on over lines of at most 80 characters, as Wine writes it.
    const QList<QByteArray> lines = file.split('\n');
    const qsizetype start =
        lines.indexOf(QByteArray("\"lungo\"=hex:00,07,0e,15,1c,23,2a,31,38,3f,46,4d,54,5b,62,69,70,77,7e,85,8c,93,\\"));
    ASSERT_GE(start, 0) << file.toStdString();
    EXPECT_EQ(lines.at(start + 1).size(), 78);
    EXPECT_TRUE(lines.at(start + 1).startsWith("  9a,a1,"));
    EXPECT_EQ(*ParseWineRegistryFile(file, QStringLiteral("x.reg")), root);
}

class PrefixWriter : public ::testing::Test {
protected:
    TemporaryPrefix prefix_;
};

TEST_F(PrefixWriter, KeepsWhatTheFilesHeldAndWritesOnlyTheHivesItTouched)
{
    {
        WinePrefixWriter writer = prefix_.writer();
        writer.setText(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\A"), QStringLiteral("uno"), QStringLiteral("1"));
        writer.save();
    }
    EXPECT_TRUE(QFile::exists(prefix_.filePath(QStringLiteral("system.reg"))));
    EXPECT_FALSE(QFile::exists(prefix_.filePath(QStringLiteral("user.reg"))));
    {
        WinePrefixWriter writer = prefix_.writer();
        writer.setDword(QStringLiteral("hklm\\SOFTWARE\\a"), QStringLiteral("due"), 2);
        writer.createKey(QStringLiteral("HKCU"));
        writer.save();
    }
    const auto machine = ParseWineRegistryFile(FileContent(prefix_.filePath(QStringLiteral("system.reg"))), {});
    const RegistryKey* a = machine->subkey(QStringLiteral("Software"))->subkey(QStringLiteral("A"));
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a->value(QStringLiteral("uno")), nullptr);
    EXPECT_EQ(a->value(QStringLiteral("due"))->data, RegistryDwordData(2));
    const auto user = ParseWineRegistryFile(FileContent(prefix_.filePath(QStringLiteral("user.reg"))), {});
    EXPECT_EQ(*user, RegistryKey());
}

TEST_F(PrefixWriter, RefusesBadKeysAndMalformedFiles)
{
    WinePrefixWriter writer = prefix_.writer();
    EXPECT_THROW(writer.createKey(QStringLiteral("HKEY_USERS\\x")), RuntimeError);
    EXPECT_THROW(writer.createKey(QStringLiteral("Software\\x")), RuntimeError);
    EXPECT_THROW(writer.createKey(QStringLiteral("HKLM\\\\x")), RuntimeError);
    prefix_.writeFile(QStringLiteral("user.reg"), "non un registro");
    EXPECT_THROW(prefix_.writer(), RuntimeError);
}

TEST(ValueAssignment, ReadsTextsAndWinesTypedForms)
{
    EXPECT_EQ(ParseValueAssignment(QStringLiteral("PrcAdoConnect=Data Source=/srv/a.db;x=1")),
              (RegistryValue{QStringLiteral("PrcAdoConnect"), REG_SZ,
                             RegistryTextData(QStringLiteral("Data Source=/srv/a.db;x=1"))}));
    EXPECT_EQ(ParseValueAssignment(QStringLiteral("Vuoto=")),
              (RegistryValue{QStringLiteral("Vuoto"), REG_SZ, RegistryTextData({})}));
    EXPECT_EQ(ParseValueAssignment(QStringLiteral("@=predefinito")).name, QString());
    EXPECT_EQ(ParseValueAssignment(QStringLiteral("N=dword:ffffffff")).data, RegistryDwordData(0xFFFFFFFF));
    EXPECT_EQ(ParseValueAssignment(QStringLiteral("B=hex:01, 2,ff")).data, QByteArray("\x01\x02\xff"));
    EXPECT_EQ(ParseValueAssignment(QStringLiteral("X=hex(7):61,00")),
              (RegistryValue{QStringLiteral("X"), REG_MULTI_SZ, QByteArray("a\0", 2)}));
    EXPECT_EQ(ParseValueAssignment(QStringLiteral("E=str(2):%PATH%")).type, REG_EXPAND_SZ);
    EXPECT_EQ(ParseValueAssignment(QStringLiteral("T=str(1):dword:1")),
              (RegistryValue{QStringLiteral("T"), REG_SZ, RegistryTextData(QStringLiteral("dword:1"))}));
    for (const char* bad :
         {"senza uguale", "=x", "N=dword:", "N=dword:123456789", "B=hex:100", "B=hex:zz", "X=hex(q):00", "X=str(2)x"})
        EXPECT_THROW(ParseValueAssignment(QString::fromLatin1(bad)), RuntimeError) << bad;
}

// The command as the demo installation runs it.
TEST_F(PrefixWriter, CommandLineWritesTheDemoProfile)
{
    QProcess mkprefix;
    mkprefix.start(QStringLiteral(MKPREFIX_PROGRAM),
                   {prefix_.path(), QStringLiteral("HKCU\\Software\\VB and VBA Program Settings\\Corvanta\\Corvanta"),
                    QStringLiteral("PrcSubDataType=(Nessuno)"), QStringLiteral("PrcDir=/srv/corvanta"),
                    QStringLiteral("PrcName=arcproc"), QStringLiteral("PrcExt=.db"),
                    QStringLiteral("PrcAdoProvider=SQLite"), QStringLiteral("PrcAdoConnect="),
                    QStringLiteral("Server=S"), QStringLiteral("HKLM\\SOFTWARE\\Altro"), QStringLiteral("N=dword:1")});
    ASSERT_TRUE(mkprefix.waitForFinished(30000));
    EXPECT_EQ(mkprefix.exitCode(), 0) << mkprefix.readAllStandardError().toStdString();
    const auto read = [](const char* key) {
        return GetSetting(QStringLiteral("CORVANTA"), QStringLiteral("Corvanta"), QString::fromLatin1(key),
                          QStringLiteral("mancante"));
    };
    EXPECT_EQ(read("PrcSubDataType"), QStringLiteral("(Nessuno)"));
    EXPECT_EQ(read("PrcDir"), QStringLiteral("/srv/corvanta"));
    EXPECT_EQ(read("PrcName"), QStringLiteral("arcproc"));
    EXPECT_EQ(read("PrcExt"), QStringLiteral(".db"));
    EXPECT_EQ(read("PrcAdoProvider"), QStringLiteral("SQLite"));
    EXPECT_EQ(read("PrcAdoConnect"), QString());
    EXPECT_EQ(read("Server"), QStringLiteral("S"));
    EXPECT_TRUE(FileContent(prefix_.filePath(QStringLiteral("system.reg"))).contains("\"N\"=dword:00000001"));

    QProcess usage;
    usage.start(QStringLiteral(MKPREFIX_PROGRAM), {prefix_.path(), QStringLiteral("Nome=senza chiave")});
    ASSERT_TRUE(usage.waitForFinished(30000));
    EXPECT_EQ(usage.exitCode(), 2);
    EXPECT_TRUE(usage.readAllStandardError().startsWith("Uso: mkprefix"));

    prefix_.writeFile(QStringLiteral("user.reg"), "rovinato");
    QProcess refused;
    refused.start(QStringLiteral(MKPREFIX_PROGRAM), {prefix_.path(), QStringLiteral("HKCU\\x")});
    ASSERT_TRUE(refused.waitForFinished(30000));
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_TRUE(refused.readAllStandardError().contains("non valido alla riga 1"));
}

}  // namespace
