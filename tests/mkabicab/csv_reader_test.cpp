#include "mkabicab/csv_reader.h"

#include <QStringList>
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

// Every record as its fields, a quoted field written in <>.
std::vector<QStringList> Records(const QByteArray& utf8, std::vector<int>* lines = nullptr)
{
    CsvReader reader = CsvReader::fromUtf8(utf8);
    std::vector<QStringList> records;
    CsvRecord record;
    while (reader.next(record)) {
        QStringList fields;
        for (const CsvField& field : record.fields)
            fields.append(field.quoted ? QLatin1Char('<') + field.text + QLatin1Char('>') : field.text);
        records.push_back(fields);
        if (lines)
            lines->push_back(record.line);
    }
    return records;
}

// The line and message of the error the input raises.
QString Error(const QByteArray& utf8)
{
    try {
        Records(utf8);
    } catch (const CsvError& error) {
        return QStringLiteral("%1: %2").arg(error.line()).arg(error.message());
    }
    return QStringLiteral("(no error)");
}

TEST(CsvReader, PlainAndQuotedFields)
{
    const auto records = Records("a,b,c\n1,,\"x, y\"\n\"\",\"say \"\"hi\"\"\",3");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], (QStringList{"a", "b", "c"}));
    EXPECT_EQ(records[1], (QStringList{"1", "", "<x, y>"}));
    EXPECT_EQ(records[2], (QStringList{"<>", "<say \"hi\">", "3"}));
}

TEST(CsvReader, LineBreaksOfEitherKindAndInsideQuotes)
{
    std::vector<int> lines;
    const auto records = Records("h1,h2\r\n\"due\r\nrighe\",x\r\n\"tre\nrighe\nqui\",y\r\nz,w\r\n", &lines);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1], (QStringList{"<due\r\nrighe>", "x"}));
    EXPECT_EQ(records[2], (QStringList{"<tre\nrighe\nqui>", "y"}));
    EXPECT_EQ(records[3], (QStringList{"z", "w"}));
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 4, 7}));
}

TEST(CsvReader, OneLineBreakAtTheEndStartsNoRecordButABlankLineDoes)
{
    EXPECT_EQ(Records("a\n").size(), 1u);
    EXPECT_EQ(Records("a").size(), 1u);
    EXPECT_EQ(Records("a\n\n"), (std::vector<QStringList>{{"a"}, {""}}));
    EXPECT_TRUE(Records("").empty());
}

TEST(CsvReader, Utf8WithOrWithoutByteOrderMark)
{
    EXPECT_EQ(Records("\xef\xbb\xbf"
                      "AbiAbi,Forlì"),
              (std::vector<QStringList>{{"AbiAbi", QString::fromUtf8("Forlì")}}));
    EXPECT_EQ(Records("Москва"), (std::vector<QStringList>{{QString::fromUtf8("Москва")}}));
}

TEST(CsvReader, MalformedInputNamesItsLine)
{
    EXPECT_EQ(Error("a,b\n1,x\"y\n"), QStringLiteral("2: virgolette dentro un campo senza virgolette"));
    EXPECT_EQ(Error("a,b\n1,\"x\"y\n"), QStringLiteral("2: caratteri dopo le virgolette di chiusura di un campo"));
    EXPECT_EQ(Error("a,b\n1,2\n\"aperte\nmai\nchiuse\n"), QStringLiteral("3: virgolette aperte e mai chiuse"));
    EXPECT_EQ(Error("a,b\n1,2\nForl\xec\n"), QStringLiteral("3: il file non è in UTF-8"));
}

}  // namespace
