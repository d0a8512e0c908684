#include "platform/wine_registry/wine_registry_file.h"
#include "platform/runtime/runtime_error.h"
#include "platform/wine_registry/registry_tree.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const QByteArray kHeader = "WINE REGISTRY Version 2\n";

std::unique_ptr<RegistryKey> Parse(const QByteArray& body)
{
    return ParseWineRegistryFile(kHeader + body, QStringLiteral("test.reg"));
}

const RegistryValue& ValueAt(const RegistryKey& root, const QStringList& path, const QString& name)
{
    const RegistryKey* key = &root;
    for (const QString& level : path) {
        key = key->subkey(level);
        if (!key)
            throw std::logic_error("no key " + level.toStdString());
    }
    const RegistryValue* value = key->value(name);
    if (!value)
        throw std::logic_error("no value " + name.toStdString());
    return *value;
}

QString TextAt(const RegistryKey& root, const QString& key, const QString& name)
{
    const RegistryValue& value = ValueAt(root, {key}, name);
    EXPECT_EQ(value.type, REG_SZ);
    return RegistryTextOf(value.data.chopped(2));
}

// The description of the error the content raises, empty when it raises none.
QString ErrorOf(const QByteArray& content)
{
    try {
        ParseWineRegistryFile(content, QStringLiteral("/prefisso/system.reg"));
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::Failure);
        return error.description();
    }
    return {};
}

TEST(WineRegistryFile, HeaderAloneIsAnEmptyHive)
{
    const auto root = Parse({});
    EXPECT_TRUE(root->subkeys().empty());
    EXPECT_TRUE(root->values().empty());
}

TEST(WineRegistryFile, SkipsCommentsOptionsAndBlankLinesAsWineDoes)
{
    const auto root = Parse(
        ";; All keys relative to \\\\Machine\r\n"
        "\r\n"
        "#arch=win64\r\n"
        "\r\n"
        "[Software\\\\KVR] 1700000000\r\n"
        "#time=1da1234abcd5678\r\n"
        "#class=\"qualcosa\"\r\n"
        "#link\r\n"
        "   ; indented comment\r\n"
        "  \"Nome\"=\"valore\"  \r\n"
        "[Vuota]\n");
    EXPECT_EQ(TextAt(*root->subkey(QStringLiteral("Software")), QStringLiteral("KVR"), QStringLiteral("Nome")),
              QStringLiteral("valore"));
    ASSERT_NE(root->subkey(QStringLiteral("Vuota")), nullptr);
    EXPECT_TRUE(root->subkey(QStringLiteral("Vuota"))->values().empty());
}

TEST(WineRegistryFile, TextEscapesFollowWine)
{
    const auto root = Parse(
        "[K]\n"
        "\"v\"=\"a\\\\b\\\"c\\nd\\re\\tf\\0g\\x41\\x00e9h\\101\\q\\x!\\e\\a\\b\\f\\v\"\n"
        "\"oct\"=\"\\0017\\777\"\n");
    EXPECT_EQ(
        TextAt(*root, QStringLiteral("K"), QStringLiteral("v")),
        QString::fromUtf16(u"a\\b\"c\nd\re\tf") + QChar(u'\0') + QString::fromUtf16(u"gA\u00e9hAqx!\x1b\a\b\f\v"));
    // At most three octal digits: \001 then "7"; \777 is one character.
    EXPECT_EQ(TextAt(*root, QStringLiteral("K"), QStringLiteral("oct")),
              QString::fromUtf16(u"\x01"
                                 "7\u01ff"));
}

TEST(WineRegistryFile, ReadsUtf8AndEscapedNamesAlike)
{
    const auto root = Parse(
        "[Software\\\\Citt\xc3\xa0\\\\Per\\xf9\\]] 0\n"
        "\"Societ\\xe0\"=\"Caff\xc3\xa8\"\n"
        "\"nome \\\"citato\\\"\"=\"\"\n");
    const RegistryKey* key =
        root->subkey(QStringLiteral("Software"))->subkey(QStringLiteral("CITTÀ"))->subkey(QStringLiteral("PERÙ]"));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->name(), QStringLiteral("Perù]"));
    ASSERT_NE(key->value(QStringLiteral("SOCIETÀ")), nullptr);
    EXPECT_EQ(key->value(QStringLiteral("società"))->data, RegistryTextData(QStringLiteral("Caffè")));
    EXPECT_EQ(key->value(QStringLiteral("nome \"citato\""))->data, RegistryTextData(QString()));
}

TEST(WineRegistryFile, ReadsTypedValues)
{
    const auto root = Parse(
        "[K]\n"
        "@=\"predefinito\"\n"
        "\"d\"=dword:0000002a\n"
        "\"neg\"=dword:ffffffff\n"
        "\"b\"=hex:01,02,ff\n"
        "\"vuoto\"=hex:\n"
        "\"x\"=hex(2):25,00,50,00,00,00\n"
        "\"e\"=str(2):\"%PATH%\"\n"
        "\"m\"=str(7):\"uno\\0due\\0\"\n"
        "\"s\"=str:\"testo\"\n"
        "\"n\"=hex(0):\n");
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, {}).data, RegistryTextData(QStringLiteral("predefinito")));
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("d")),
              (RegistryValue{"d", REG_DWORD, QByteArray("\x2a\0\0\0", 4)}));
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("neg")).data, QByteArray("\xff\xff\xff\xff"));
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("b")),
              (RegistryValue{"b", REG_BINARY, QByteArray("\x01\x02\xff")}));
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("vuoto")), (RegistryValue{"vuoto", REG_BINARY, {}}));
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("x")),
              (RegistryValue{"x", REG_EXPAND_SZ, QByteArray("%\0P\0\0\0", 6)}));
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("e")),
              (RegistryValue{"e", REG_EXPAND_SZ, RegistryTextData(QStringLiteral("%PATH%"))}));
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("m")),
              (RegistryValue{"m", REG_MULTI_SZ,
                             RegistryTextData(QStringLiteral("uno") + QChar(u'\0') + "due" + QChar(u'\0'))}));
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("s")).type, REG_SZ);
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("n")), (RegistryValue{"n", REG_NONE, {}}));
}

TEST(WineRegistryFile, HexDataGoesOnOverLinesEndingInBackslash)
{
    const auto root = Parse(
        "[K]\n"
        "\"lungo\"=hex:00,01,02,\\\n"
        "  03 , 04,\\   \n"
        "\t05\n"
        "\"dopo\"=\"ancora letto\"\n");
    EXPECT_EQ(ValueAt(*root, {QStringLiteral("K")}, QStringLiteral("lungo")).data,
              QByteArray("\x00\x01\x02\x03\x04\x05", 6));
    EXPECT_EQ(TextAt(*root, QStringLiteral("K"), QStringLiteral("dopo")), QStringLiteral("ancora letto"));
}

TEST(WineRegistryFile, RepeatedSectionsMergeAndLaterValuesReplaceEarlierOnes)
{
    const auto root = Parse(
        "[Software\\\\A]\n"
        "\"Valore\"=\"primo\"\n"
        "\"altro\"=\"resta\"\n"
        "[software\\\\a\\\\\\\\B\\\\]\n"
        "[SOFTWARE\\\\A]\n"
        "\"VALORE\"=dword:00000001\n");
    const RegistryKey* a = root->subkey(QStringLiteral("Software"))->subkey(QStringLiteral("A"));
    EXPECT_EQ(a->subkeys().size(), 1U);
    EXPECT_NE(a->subkey(QStringLiteral("b")), nullptr);
    const RegistryValue* replaced = a->value(QStringLiteral("valore"));
    EXPECT_EQ(replaced->type, REG_DWORD);
    EXPECT_EQ(replaced->name, QStringLiteral("Valore"));  // the case first written stays
    EXPECT_NE(a->value(QStringLiteral("altro")), nullptr);
}

TEST(WineRegistryFile, MalformedFilesGiveAnErrorNamingFileAndLine)
{
    struct Case {
        const char* what;
        QByteArray content;
        int line;
        const char* reason;
    };
    const QByteArray k = kHeader + "[K]\n";
    const std::vector<Case> cases = {
        {"empty file", {}, 1, "manca l'intestazione \"WINE REGISTRY Version 2\""},
        {"other version", "WINE REGISTRY Version 1\n", 1, "manca l'intestazione"},
        {"byte order mark", "\xef\xbb\xbfWINE REGISTRY Version 2\n", 1, "manca l'intestazione"},
        {"truncated header", "WINE REGIS", 1, "manca l'intestazione"},
        {"truncated in a text", k + "\"v\"=\"abc", 3, "manca il '\"' che chiude il testo"},
        {"escaped closing quote", k + "\"v\"=\"abc\\\"\n", 3, "manca il '\"' che chiude il testo"},
        {"backslash at the end", k + "\"v\"=\"abc\\\n\"w\"=\"x\"\n", 3, "chiude il testo"},
        {"truncated in a name", k + "\"nome", 3, "chiude il nome del valore"},
        {"truncated in hex data", k + "\"v\"=hex:01,02,\\\n", 3, "oltre la fine del file"},
        {"hex data into a key line", k + "\"v\"=hex:01,\\\n[X]\n", 4, "dati esadecimali non validi"},
        {"unterminated key", kHeader + "[Software\\\\KVR\n", 2, "\"]\""},
        {"key starting with a backslash", kHeader + "[\\\\Software]\n", 2, "comincia con"},
        {"key name too long", kHeader + "[" + QByteArray(257, 'k') + "]\n", 2, "256 caratteri"},
        {"text after a key", kHeader + "[K] 12 x\n", 2, "dopo il nome della chiave"},
        {"value before any key", kHeader + "\"v\"=\"x\"\n", 2, "valore prima di ogni chiave"},
        {"missing equals", k + "\"v\" \"x\"\n", 3, "manca \"=\""},
        {"unknown type", k + "\"v\"=qword:1\n", 3, "tipo di dato sconosciuto"},
        {"hex type without number", k + "\"v\"=hex():01\n", 3, "tipo di dato sconosciuto"},
        {"str type not closed", k + "\"v\"=str(2)\"x\"\n", 3, "tipo di dato sconosciuto"},
        {"dword without digits", k + "\"v\"=dword:\n", 3, "numero dword non valido"},
        {"dword too long", k + "\"v\"=dword:123456789\n", 3, "numero dword non valido"},
        {"dword with garbage", k + "\"v\"=dword:12zz\n", 3, "numero dword non valido"},
        {"hex byte beyond ff", k + "\"v\"=hex:01,100\n", 3, "oltre ff"},
        {"double comma", k + "\"v\"=hex:01,,02\n", 3, "dati esadecimali non validi"},
        {"text after a text", k + "\"v\"=\"a\" b\n", 3, "dopo la fine del testo"},
        {"unknown line", k + "\"v\"=\"a\"\nnonsense\n", 4, "riga non riconosciuta"},
        {"NUL byte", k + QByteArray("\"v\"=\"a\0b\"\n", 10), 3, "carattere NUL"},
        {"invalid UTF-8", k + "\"v\"=\"\xff\"\n", 3, "UTF-8"},
        {"overlong UTF-8", k + "\"v\"=\"\xc0\xaf\"\n", 3, "UTF-8"},
        {"UTF-8 surrogate", k + "\"v\"=\"\xed\xa0\x80\"\n", 3, "UTF-8"},
        {"truncated UTF-8", k + "\"v\"=\"\xc3", 3, "UTF-8"},
        {"unknown architecture", kHeader + "#arch=win16\n", 2, "architettura \"win16\" sconosciuta"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString expectedStart =
            QStringLiteral("File del registro \"/prefisso/system.reg\" non valido alla riga %1: ").arg(c.line);
        const QString description = ErrorOf(c.content);
        EXPECT_TRUE(description.startsWith(expectedStart)) << description.toStdString();
        EXPECT_TRUE(description.contains(QString::fromUtf8(c.reason))) << description.toStdString();
    }
}

TEST(WineRegistryFile, ErrorTextIsComplete)
{
    EXPECT_EQ(ErrorOf(kHeader + "[K]\n\"v\"=\"abc"),
              QStringLiteral("File del registro \"/prefisso/system.reg\" non valido alla riga 3: "
                             "manca il '\"' che chiude il testo."));
}

TEST(WineRegistryFile, BinaryGarbageIsRefused)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 20; ++round) {
        QByteArray garbage(4096, '\0');
        for (char& byte : garbage)
            byte = static_cast<char>(random());
        EXPECT_FALSE(ErrorOf(garbage).isEmpty());
        // Garbage after a valid start is refused as well.
        EXPECT_FALSE(ErrorOf(kHeader + "[K]\n" + garbage).isEmpty());
    }
}

TEST(WineRegistryFile, TenMegabyteMalformedFilesAreRefused)
{
    const QByteArray unterminated = kHeader + "[K]\n\"v\"=\"" + QByteArray(10 << 20, 'x');
    EXPECT_TRUE(ErrorOf(unterminated).contains(QStringLiteral("riga 3: manca il '\"' che chiude il testo")));

    QByteArray continued = kHeader + "[K]\n\"v\"=hex:\\\n";
    while (continued.size() < (10 << 20))
        continued += "  00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\n";
    EXPECT_TRUE(ErrorOf(continued).contains(QStringLiteral("oltre la fine del file")));

    QByteArray lines = kHeader;
    while (lines.size() < (10 << 20))
        lines += "[Software\\\\Chiave]\n\"Valore\"=\"testo\"\n";
    EXPECT_TRUE(ErrorOf(lines + "}\n").contains(QStringLiteral("riga non riconosciuta")));
}

}  // namespace
