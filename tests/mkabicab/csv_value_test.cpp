#include "mkabicab/csv_value.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

using T = JetColumnType;

const JetColumn kLong{QStringLiteral("AbcCab"), T::LongInteger};
const JetColumn kInteger{QStringLiteral("AbcAbichk"), T::Integer};
const JetColumn kDouble{QStringLiteral("AbcCabchk"), T::Double};
const JetColumn kText{QStringLiteral("AbcCap"), T::Text, 5};

Variant Value(const JetColumn& column, const QString& text, bool quoted = false)
{
    return CsvValue(column, CsvField{text, quoted});
}

QString Refusal(const JetColumn& column, const QString& text)
{
    try {
        Value(column, text);
    } catch (const JetWriteError& error) {
        return error.message();
    }
    return QStringLiteral("(accepted)");
}

TEST(CsvValue, WholeNumbers)
{
    EXPECT_EQ(Value(kLong, QStringLiteral("1600")), Variant(1600));
    EXPECT_EQ(Value(kLong, QStringLiteral(" -2147483648 ")), Variant(-2147483648LL));
    EXPECT_EQ(Value(kLong, QStringLiteral("+7")), Variant(7));
    EXPECT_EQ(Value(kInteger, QStringLiteral("32767")), Variant(32767));
    EXPECT_EQ(Refusal(kLong, QStringLiteral("12a")), QStringLiteral("'12a' non è un numero intero"));
    EXPECT_EQ(Refusal(kLong, QStringLiteral("1.5")), QStringLiteral("'1.5' non è un numero intero"));
    EXPECT_EQ(Refusal(kLong, QStringLiteral("-")), QStringLiteral("'-' non è un numero intero"));
    EXPECT_EQ(Refusal(kInteger, QStringLiteral("32768")),
              QStringLiteral("il valore 32768 è fuori dell'intervallo del tipo Intero (da -32768 a 32767)"));
    EXPECT_EQ(Refusal(kLong, QStringLiteral("99999999999999999999")),
              QStringLiteral("il valore 99999999999999999999 è fuori di ogni intervallo ammesso"));
}

TEST(CsvValue, Decimals)
{
    EXPECT_EQ(Value(kDouble, QStringLiteral("7")), Variant(7.0));
    EXPECT_EQ(Value(kDouble, QStringLiteral("-0.125")), Variant(-0.125));
    EXPECT_EQ(Value(kDouble, QStringLiteral("1e3")), Variant(1000.0));
    EXPECT_EQ(Refusal(kDouble, QStringLiteral("1,5")),
              QStringLiteral("'1,5' non è un numero (i decimali vanno dopo un punto)"));
    EXPECT_NE(Refusal(kDouble, QStringLiteral("1,000.5")), QStringLiteral("(accepted)"));
    EXPECT_NE(Refusal(kDouble, QStringLiteral("inf")), QStringLiteral("(accepted)"));
    EXPECT_NE(Refusal(kDouble, QStringLiteral("sette")), QStringLiteral("(accepted)"));
}

TEST(CsvValue, EmptyIsNullAndQuotedEmptyIsAnEmptyText)
{
    EXPECT_EQ(Value(kText, QString()), Variant());
    EXPECT_EQ(Value(kText, QString(), true), Variant(QString()));
    // Blanks are part of a text.
    EXPECT_EQ(Value(kText, QStringLiteral(" RM ")), Variant(QStringLiteral(" RM ")));
}

TEST(CsvValue, RefusesWhatTheUpdateCouldNotInsert)
{
    const QString empty = QStringLiteral(
        "il campo è vuoto, ma l'aggiornamento non può inserire un valore nullo in una "
        "colonna numerica");
    EXPECT_EQ(Refusal(kLong, QString()), empty);
    EXPECT_EQ(Refusal(kInteger, QStringLiteral("  ")), empty);
    EXPECT_EQ(Refusal(kDouble, QString()), empty);
    EXPECT_THROW(Value(kLong, QString(), true), JetWriteError);
    EXPECT_EQ(Refusal(kText, QStringLiteral("a") + QChar(0)),
              QStringLiteral("il testo contiene il carattere NUL, che l'aggiornamento non può inserire"));
}

TEST(CsvValue, TextLongerThanItsColumn)
{
    EXPECT_EQ(Value(kText, QStringLiteral("00100")), Variant(QStringLiteral("00100")));
    EXPECT_EQ(Refusal(kText, QStringLiteral("001000")),
              QStringLiteral("il testo ha 6 caratteri, la colonna ne ammette 5"));
}

}  // namespace
