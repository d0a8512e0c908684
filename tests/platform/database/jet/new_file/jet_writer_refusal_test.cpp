#include "platform/database/jet/new_file/jet_database_writer.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <limits>

namespace {

using T = JetColumnType;

// The message of the JetWriteError that `action` throws, or a note that it threw none.
template <typename Action>
QString Refusal(Action action)
{
    try {
        action();
    } catch (const JetWriteError& error) {
        return error.message();
    }
    return QStringLiteral("(accepted)");
}

TEST(JetWriterRefusal, NumbersOutsideTheirTypesRange)
{
    const JetColumn byteColumn{QStringLiteral("b"), T::Byte};
    const JetColumn integerColumn{QStringLiteral("i"), T::Integer};
    const JetColumn longColumn{QStringLiteral("l"), T::LongInteger};
    EXPECT_EQ(Refusal([&] { CheckJetValue(byteColumn, Variant(256)); }),
              QStringLiteral("il valore 256 è fuori dell'intervallo del tipo Byte (da 0 a 255)"));
    EXPECT_NE(Refusal([&] { CheckJetValue(byteColumn, Variant(-1)); }), QStringLiteral("(accepted)"));
    EXPECT_EQ(Refusal([&] { CheckJetValue(integerColumn, Variant(32768)); }),
              QStringLiteral("il valore 32768 è fuori dell'intervallo del tipo Intero (da -32768 a 32767)"));
    EXPECT_NE(Refusal([&] { CheckJetValue(integerColumn, Variant(-32769)); }), QStringLiteral("(accepted)"));
    EXPECT_NE(Refusal([&] { CheckJetValue(longColumn, Variant(2147483648LL)); }), QStringLiteral("(accepted)"));
    EXPECT_NE(Refusal([&] { CheckJetValue(longColumn, Variant(-2147483649LL)); }), QStringLiteral("(accepted)"));
    EXPECT_EQ(Refusal([&] { CheckJetValue(longColumn, Variant(-2147483648LL)); }), QStringLiteral("(accepted)"));
}

TEST(JetWriterRefusal, ValuesOfTheWrongKind)
{
    const JetColumn longColumn{QStringLiteral("l"), T::LongInteger};
    const JetColumn doubleColumn{QStringLiteral("d"), T::Double};
    const JetColumn textColumn{QStringLiteral("t"), T::Text, 5};
    EXPECT_EQ(Refusal([&] { CheckJetValue(longColumn, Variant(1.5)); }),
              QStringLiteral("la colonna di tipo Intero lungo vuole un numero intero"));
    EXPECT_NE(Refusal([&] { CheckJetValue(longColumn, Variant("12")); }), QStringLiteral("(accepted)"));
    EXPECT_NE(Refusal([&] { CheckJetValue(doubleColumn, Variant("1.5")); }), QStringLiteral("(accepted)"));
    EXPECT_NE(Refusal([&] { CheckJetValue(textColumn, Variant(12)); }), QStringLiteral("(accepted)"));
    EXPECT_NE(Refusal([&] { CheckJetValue(doubleColumn, Variant(std::numeric_limits<double>::infinity())); }),
              QStringLiteral("(accepted)"));
    EXPECT_NE(Refusal([&] { CheckJetValue(doubleColumn, Variant(std::numeric_limits<double>::quiet_NaN())); }),
              QStringLiteral("(accepted)"));
    EXPECT_NE(Refusal([&] {
                  CheckJetValue({QStringLiteral("m"), T::Memo}, Variant("memo"));
              }),
              QStringLiteral("(accepted)"));
    EXPECT_EQ(Refusal([&] { CheckJetValue(doubleColumn, Variant(3)); }), QStringLiteral("(accepted)"));
    EXPECT_EQ(Refusal([&] { CheckJetValue({QStringLiteral("m"), T::Memo}, Variant()); }), QStringLiteral("(accepted)"));
}

TEST(JetWriterRefusal, TextLongerThanItsColumn)
{
    const JetColumn textColumn{QStringLiteral("t"), T::Text, 5};
    EXPECT_EQ(Refusal([&] { CheckJetValue(textColumn, Variant("sei  6")); }),
              QStringLiteral("il testo ha 6 caratteri, la colonna ne ammette 5"));
    EXPECT_EQ(Refusal([&] { CheckJetValue(textColumn, Variant(QString::fromUtf8("àèìòù"))); }),
              QStringLiteral("(accepted)"));
}

TEST(JetWriterRefusal, DefinitionsJetWouldNotAccept)
{
    const auto check = [](JetTableDefinition table) { return Refusal([&] { CheckTableDefinition(table); }); };
    const JetColumn ok{QStringLiteral("c"), T::LongInteger};
    EXPECT_EQ(check({QStringLiteral("t"), {ok}}), QStringLiteral("(accepted)"));
    EXPECT_EQ(check({QString(), {ok}}), QStringLiteral("Tabella: il nome è vuoto"));
    EXPECT_NE(check({QStringLiteral("a.b"), {ok}}), QStringLiteral("(accepted)"));
    EXPECT_NE(check({QStringLiteral("[t]"), {ok}}), QStringLiteral("(accepted)"));
    EXPECT_NE(check({QStringLiteral(" t"), {ok}}), QStringLiteral("(accepted)"));
    EXPECT_NE(check({QString(65, QLatin1Char('t')), {ok}}), QStringLiteral("(accepted)"));
    EXPECT_EQ(check({QString(64, QLatin1Char('t')), {ok}}), QStringLiteral("(accepted)"));
    EXPECT_EQ(check({QStringLiteral("t"), {}}), QStringLiteral("Tabella 't': nessuna colonna"));
    EXPECT_EQ(check({QStringLiteral("t"), {ok, {QStringLiteral("C"), T::Byte}}}),
              QStringLiteral("Tabella 't': la colonna 'C' compare due volte"));
    EXPECT_NE(check({QStringLiteral("t"), {{QStringLiteral("x"), T::Text, 0}}}), QStringLiteral("(accepted)"));
    EXPECT_NE(check({QStringLiteral("t"), {{QStringLiteral("x"), T::Text, 256}}}), QStringLiteral("(accepted)"));
    EXPECT_NE(check({QStringLiteral("t"), {{QStringLiteral("x\ty"), T::Byte}}}), QStringLiteral("(accepted)"));
}

TEST(JetWriterRefusal, WriterNamesTheTableAndColumnOfABadValue)
{
    JetDatabaseWriter writer;
    const int table = writer.addTable(
        {QStringLiteral("abi"), {{QStringLiteral("AbiAbi"), T::LongInteger}, {QStringLiteral("AbiBanc"), T::Text, 3}}});
    EXPECT_EQ(Refusal([&] {
                  writer.appendRow(table, {1, "quattro"});
              }),
              QStringLiteral("Colonna 'AbiBanc': il testo ha 7 caratteri, la colonna ne ammette 3"));
    EXPECT_EQ(Refusal([&] { writer.appendRow(table, {1}); }),
              QStringLiteral("Tabella 'abi': la riga ha 1 valori, le colonne sono 2"));
    EXPECT_EQ(Refusal([&] {
                  writer.addTable({QStringLiteral("ABI"), {{QStringLiteral("x"), T::Byte}}});
              }),
              QStringLiteral("Tabella 'ABI': esiste già"));
    EXPECT_NE(Refusal([&] {
                  writer.addTable({QStringLiteral("msysobjects"), {{QStringLiteral("x"), T::Byte}}});
              }),
              QStringLiteral("(accepted)"));
}

TEST(JetWriterRefusal, RowLargerThanAPage)
{
    JetTableDefinition wide{QStringLiteral("larga"), {}};
    std::vector<Variant> row;
    for (int i = 0; i < 9; ++i) {
        wide.columns.push_back({QStringLiteral("c%1").arg(i), T::Text, 255});
        row.push_back(QString::fromUtf8("Ж").repeated(255));  // 510 bytes each, nothing to compress
    }
    JetDatabaseWriter writer;
    const int table = writer.addTable(wide);
    EXPECT_TRUE(
        Refusal([&] { writer.appendRow(table, row); }).startsWith(QStringLiteral("Tabella 'larga': la riga occupa")));
    row[7] = Variant();
    row[8] = Variant();
    EXPECT_EQ(Refusal([&] { writer.appendRow(table, row); }), QStringLiteral("(accepted)"));
}

TEST(JetWriterRefusal, DefinitionLargerThanAPage)
{
    // 25 bytes of descriptor and up to 130 of name per column: 40 long names fill more than a page.
    JetTableDefinition table{QStringLiteral("larga"), {}};
    for (int i = 0; i < 40; ++i)
        table.columns.push_back({QStringLiteral("%1").arg(i, 64, 10, QLatin1Char('c')), T::Byte});
    JetDatabaseWriter writer;
    EXPECT_EQ(Refusal([&] { writer.addTable(table); }),
              QStringLiteral("Tabella 'larga': la definizione non sta in una pagina (troppe colonne)"));
    table.columns.resize(20);
    EXPECT_EQ(Refusal([&] { writer.addTable(table); }), QStringLiteral("(accepted)"));
}

TEST(JetWriterRefusal, AFileThatCannotBeWrittenLeavesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("manca/Abicab.mdb"));
    EXPECT_EQ(Refusal([&] { WriteJetDatabase(path, {}); }),
              QStringLiteral("Impossibile creare il database '%1': file o cartella inesistente (%2)")
                  .arg(path, qt_error_string(ENOENT)));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(JetWriterRefusal, SavingReplacesAnOldFileAndLeavesNoTemporary)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Abicab.mdb"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("vecchio");
    old.close();
    WriteJetDatabase(path, {{{QStringLiteral("t"), {{QStringLiteral("c"), T::Byte}}}, {{1}}}});
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Abicab.mdb")});
    EXPECT_EQ(QFileInfo(path).size() % 4096, 0);
    EXPECT_GT(QFileInfo(path).size(), 4096 * 4);
}

}  // namespace
