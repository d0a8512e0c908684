// Every file written here is read back by the project's reader, by mdbtools
// and by mdb-reader, which must all give back exactly what was written.
#include "all_types_table.h"
#include "platform/database/jet/new_file/jet_database_writer.h"
#include "support/jet_readback.h"
#include "support/source_databases.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <limits>

namespace {

using T = JetColumnType;

class JetWriterReadBack : public ::testing::Test {
protected:
    // Writes the tables, then has the three readers check them.
    void expectRoundTrip(const std::vector<JetTable>& tables)
    {
        ASSERT_TRUE(dir_.isValid());
        const QString path = WriteSourceDatabase(dir_.path(), tables, QStringLiteral("prova.mdb"));
        ExpectJetFileReadsBack(path, tables);
    }

    QTemporaryDir dir_;
};

TEST_F(JetWriterReadBack, EveryTypeAtItsBounds)
{
    const double largest = std::numeric_limits<double>::max();
    expectRoundTrip({{AllTypes(QStringLiteral("limiti")),
                      {{-2147483648LL, -32768, 0, -largest, "a"},
                       {2147483647, 32767, 255, largest, "z"},
                       {0, 0, 1, 0.0, "0"},
                       {-1, -1, 254, -1234.5678, "uno"},
                       {1, 1, 128, 0.1, "due"},
                       {123456, 2, 3, 3.141592653589793, "tre"},
                       {7, 3, 4, 1e-300, "quattro"},
                       {8, 4, 5, -2.5e-7, "cinque"},
                       {9, 5, 6, 42, "un intero in una colonna Double"}}}});
}

TEST_F(JetWriterReadBack, NullInEveryColumn)
{
    SourceRows rows{{Variant(), Variant(), Variant(), Variant(), Variant()}};
    // One row per column with only that column Null, so no Null hides another's mistake.
    const std::vector<Variant> full{17, 18, 19, 20.5, "testo"};
    for (size_t column = 0; column < full.size(); ++column) {
        std::vector<Variant> row = full;
        row[column] = Variant();
        rows.push_back(row);
    }
    rows.push_back(full);
    expectRoundTrip({{AllTypes(QStringLiteral("nulli")), rows}});
}

TEST_F(JetWriterReadBack, TextsOfEveryKind)
{
    const QString plain255(255, QLatin1Char('x'));
    const QString cyrillic255 = QString::fromUtf8("Щ").repeated(255);
    const QString uncompressible255 = QString::fromUtf8("Āā").repeated(127) + QString::fromUtf8("Ā");
    const QStringList texts{
        QStringLiteral("L'Esempio d'Italia"),
        QStringLiteral("''"),
        QStringLiteral("\"virgolette\" e \"\""),
        QStringLiteral("C:\\percorso\\file \\\\ fine\\"),
        QStringLiteral("riga uno\nriga due\r\nriga tre\rfine"),
        QStringLiteral("\ttab, virgole, ; punto e virgola"),
        QString::fromUtf8("àèéìòù ÀÈÉÌÒÙ ç ß Forlì Cefalù"),
        QString::fromUtf8("Москва"),
        QString::fromUtf8("Банк Мир и Banca d'Italia"),
        QString::fromUtf8("ϰαὶ τότ' ἐγὼ Κύϰλωπα"),
        QString::fromUtf8("漢字仮名交じり文"),
        QString::fromUtf8("Āmbito ĀĀĀ con una lettera che finisce in zero"),
        QString::fromUtf8("€ 100,00 – «citazione»"),
        QStringLiteral(" spazi ai lati "),
        QStringLiteral("x"),
        QStringLiteral("xy"),
        QStringLiteral("\uFEFFbomx"),
        QStringLiteral("\uFEFF"),
        QStringLiteral("\uFEFF\uFEFF"),
        QStringLiteral("\uFEFFМосква"),
        QString::fromUtf8("fine\uFEFF"),
        plain255,
        cyrillic255,
        uncompressible255,
    };
    SourceRows rows;
    int number = 0;
    for (const QString& text : texts)
        rows.push_back({++number, text});
    rows.push_back({++number, QString()});  // empty, not Null
    rows.push_back({++number, Variant()});
    expectRoundTrip(
        {{{QStringLiteral("testi"), {{QStringLiteral("N"), T::LongInteger}, {QStringLiteral("T"), T::Text, 255}}},
          rows}});
}

TEST_F(JetWriterReadBack, TablesWithoutRows)
{
    expectRoundTrip({{AllTypes(QStringLiteral("vuota")), {}},
                     {AllTypes(QStringLiteral("piena")), {{1, 2, 3, 4.5, "sei"}}},
                     AbiTable(),
                     AbicabTable()});
}

TEST_F(JetWriterReadBack, HundredThousandBranchesOverThousandsOfPages)
{
    // About 2,500 data pages: their usage map no longer fits in its row.
    expectRoundTrip({AbiTable({AbiRow(1005, "Banca d'Esempio", 3), AbiRow(500, Variant(), 0)}),
                     AbicabTable(ManyAbicabRows(100000))});
}

// A row of one Double takes 11 bytes, so a page holds the most rows a page
// may have, 255; 512 pages are the most an inline usage map covers.
JetTable OneDoubleColumn(const QString& name, int rows)
{
    JetTable table{{name, {{QStringLiteral("Valore"), T::Double}}}, {}};
    for (int i = 0; i < rows; ++i)
        table.rows.push_back({i * 0.25 - 1000.0});
    return table;
}

TEST_F(JetWriterReadBack, UsageMapsAtTheEdgeOfTheirRow)
{
    expectRoundTrip({OneDoubleColumn(QStringLiteral("pagine512"), 512 * 255),
                     OneDoubleColumn(QStringLiteral("pagine513"), 512 * 255 + 1),
                     OneDoubleColumn(QStringLiteral("pagine300"), 300 * 255)});
}

std::vector<JetTable> NumberedTables(int count)
{
    std::vector<JetTable> tables;
    for (int t = 0; t < count; ++t) {
        JetTable table{AllTypes(QStringLiteral("Tabella %1").arg(t)), {}};
        for (int r = 0; r < t * 37; ++r)
            table.rows.push_back(
                {t, r % 30000, r % 256, t + r / 8.0, QStringLiteral("tabella %1 riga %2").arg(t).arg(r)});
        tables.push_back(std::move(table));
    }
    return tables;
}

TEST_F(JetWriterReadBack, TenTablesInOneFile)
{
    expectRoundTrip(NumberedTables(10));
}

TEST_F(JetWriterReadBack, SoManyTablesTheirMapsFillSeveralPages)
{
    // 57 usage map rows fit a page; 70 tables and the catalog need 142.
    expectRoundTrip(NumberedTables(70));
}

TEST_F(JetWriterReadBack, TablesOfTheSourceLayoutAndOneWithoutAColumn)
{
    expectRoundTrip({WithoutColumn(AbiTable({AbiRow(1005, "Banca d'Esempio", 3)}), QStringLiteral("AbiBanc")),
                     AbicabTable({AbicabRow(1005, 1600, "Banca d'Esempio", "Sede", Variant(), "00100", "Roma", "Roma",
                                            "RM", 3, 7)})});
}

}  // namespace
