// The reading of trasferisci-codici's arguments.
#include "cli/command_line.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

QString ErrorOf(const QStringList& arguments)
{
    try {
        ParseCommandLine(arguments);
    } catch (const UsageError& error) {
        return error.message;
    }
    return QStringLiteral("(accepted)");
}

TEST(CommandLine, TakesOptionsAndFilesInAnyOrder)
{
    for (const QStringList& arguments :
         {QStringList{"--si", "--profilo", "Corvanta"}, QStringList{"--profilo", "Corvanta", "--si"},
          QStringList{"--profilo=Corvanta", "--si"}}) {
        const CommandLine line = ParseCommandLine(arguments);
        EXPECT_TRUE(line.alwaysYes) << arguments.join(' ').toStdString();
        EXPECT_EQ(line.profile, QStringLiteral("Corvanta"));
        EXPECT_TRUE(line.origin.isEmpty());
    }
    for (const QStringList& arguments : {QStringList{"a.mdb", "b.db", "--si"}, QStringList{"a.mdb", "--si", "b.db"}}) {
        const CommandLine line = ParseCommandLine(arguments);
        EXPECT_TRUE(line.alwaysYes);
        EXPECT_EQ(line.origin, QStringLiteral("a.mdb"));
        EXPECT_EQ(line.destination, QStringLiteral("b.db"));
        EXPECT_TRUE(line.profile.isEmpty());
    }
    EXPECT_FALSE(ParseCommandLine({"a.mdb", "b.db"}).alwaysYes);
}

TEST(CommandLine, TakesEveryArgumentAfterDoubleDashAsAFileName)
{
    const CommandLine line = ParseCommandLine({"--", "-a.mdb", "--si"});
    EXPECT_EQ(line.origin, QStringLiteral("-a.mdb"));
    EXPECT_EQ(line.destination, QStringLiteral("--si"));
    EXPECT_FALSE(line.alwaysYes);
    EXPECT_EQ(ParseCommandLine({"-", " b;c=\"d\""}).destination, QStringLiteral(" b;c=\"d\""));
    EXPECT_EQ(ParseCommandLine({"--profilo=-x"}).profile, QStringLiteral("-x"));
    EXPECT_EQ(ParseCommandLine({"--profilo=a=b"}).profile, QStringLiteral("a=b"));
}

TEST(CommandLine, HelpAndVersionNeedNothingElse)
{
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"--version"}).version);
    EXPECT_TRUE(ParseCommandLine({"a.mdb", "--help"}).help);
    EXPECT_EQ(ErrorOf({"--help", "--boh"}), QStringLiteral("opzione non riconosciuta: '--boh'"));
}

TEST(CommandLine, NamesWhatItDidNotUnderstand)
{
    const struct {
        QStringList arguments;
        const char* error;
    } cases[] = {
        {{"--profilo", "Corvanta", "--sì"}, "opzione non riconosciuta: '--sì'"},
        {{"-s", "a", "b"}, "opzione non riconosciuta: '-s'"},
        {{"--profilo"}, "manca il valore dell'opzione '--profilo'"},
        {{"--profilo", "--si"}, "manca il valore dell'opzione '--profilo'"},
        {{"--profilo="}, "il valore dell'opzione '--profilo' è vuoto"},
        {{"--si=no", "--profilo", "A"}, "l'opzione '--si' non prevede un valore: '--si=no'"},
        {{"--profilo", "A", "--profilo", "B"}, "l'opzione '--profilo' è ripetuta"},
        {{"--profilo", "A", "b.db"}, "argomento non previsto con --profilo: 'b.db'"},
        {{}, "indicare --profilo NOME oppure ORIGINE e DESTINAZIONE"},
        {{"--si"}, "indicare --profilo NOME oppure ORIGINE e DESTINAZIONE"},
        {{"a.mdb"}, "manca la DESTINAZIONE dopo 'a.mdb'"},
        {{"a.mdb", "b.db", "c.db"}, "argomento in più: 'c.db'"},
        {{"a.mdb", ""}, "il nome della DESTINAZIONE è vuoto"},
        {{"--anteprima", "--storico"}, "l'opzione '--storico' non si combina con le altre modalità"},
        {{"--csv", "d.csv", "a.mdb", "b.db"}, "l'opzione '--csv' va con '--anteprima'"},
        {{"--storico", "--profilo", "A"}, "'--storico' non prevede altri argomenti"},
        {{"--ripristina", "copia.sqlite"}, "'--ripristina' richiede --profilo NOME"},
        {{"--ripristina", "--profilo", "A", "x", "y"}, "argomento in più: 'y'"},
        {{"--conserva-dati-banche", "--anteprima", "--profilo", "A"},
         "l'opzione '--conserva-dati-banche' va con un aggiornamento"},
        {{"--anteprima", "a.mdb"}, "manca la DESTINAZIONE dopo 'a.mdb'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf(c.arguments), QString::fromUtf8(c.error)) << c.arguments.join(' ').toStdString();
}

TEST(CommandLine, TellsTheModesThatLookAtRunsApart)
{
    using Mode = CommandLine::Mode;
    const CommandLine preview = ParseCommandLine({"b.db", "--csv", "d.csv", "--anteprima", "a.mdb"});
    EXPECT_EQ(preview.mode, Mode::Preview);
    EXPECT_EQ(preview.csv, QStringLiteral("d.csv"));
    EXPECT_EQ(preview.origin, QStringLiteral("b.db"));
    EXPECT_EQ(preview.destination, QStringLiteral("a.mdb"));
    const CommandLine restore = ParseCommandLine({"--profilo", "A", "copia.sqlite", "--ripristina", "--si"});
    EXPECT_EQ(restore.mode, Mode::Restore);
    EXPECT_EQ(restore.backup, QStringLiteral("copia.sqlite"));
    EXPECT_TRUE(restore.alwaysYes);
    EXPECT_TRUE(ParseCommandLine({"--ripristina", "--profilo", "A"}).backup.isEmpty());
    EXPECT_EQ(ParseCommandLine({"--storico"}).mode, Mode::Log);
    const CommandLine kept = ParseCommandLine({"--profilo", "A", "--conserva-dati-banche"});
    EXPECT_EQ(kept.mode, Mode::Update);
    EXPECT_TRUE(kept.keepBankDetails);
    EXPECT_FALSE(ParseCommandLine({"--profilo", "A"}).keepBankDetails);
}

TEST(CommandLine, HelpListsEveryOptionAndExitStatus)
{
    const QString help = HelpText();
    for (const char* line : {"\n  --profilo NOME ", "\n  --si ", "\n  --help ", "\n  --version ", "\n  --anteprima ",
                             "\n  --csv FILE ", "\n  --ripristina ", "\n  --storico ", "\n  --conserva-dati-banche",
                             "\n  0  ", "\n  1  ", "\n  2  ", "\n  3  "})
        EXPECT_TRUE(help.contains(QLatin1String(line))) << line;
}

}  // namespace
