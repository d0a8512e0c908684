#include "platform/database/jet/in_place/jet_statement.h"
#include "support/error_capture.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

JetInsert Insert(const QString& sql)
{
    return std::get<JetInsert>(ParseJetChange(sql));
}

void ExpectSame(const JetInsert& a, const JetInsert& b)
{
    EXPECT_EQ(a.table, b.table);
    EXPECT_EQ(a.columns, b.columns);
    EXPECT_EQ(a.values, b.values);
}

// Rows of the update share their head; a statement read after one with the
// same head gives what it gives read on its own, and whatever follows the
// head is read as if nothing were remembered.
TEST(JetStatement, AnInsertAfterOneWithTheSameHeadReadsAsOnItsOwn)
{
    const QString head = QStringLiteral("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc) VALUES ");
    const QString second = head + QStringLiteral("(1005, -16, 'd''Esempio')");
    Insert(head + QStringLiteral("(1, 2, 'a')"));
    const JetInsert afterTheSameHead = Insert(second);
    Insert(QStringLiteral("INSERT INTO ABI (AbiAbi) VALUES (1)"));  // another head
    const JetInsert alone = Insert(second);
    ExpectSame(afterTheSameHead, alone);
    EXPECT_EQ(alone.values, (std::vector<Variant>{Variant(1005), Variant(-16), Variant(QStringLiteral("d'Esempio"))}));

    for (const QString& wrong : {head + QStringLiteral("(1, 2)"), head + QStringLiteral("(1, 2, 'a'); DELETE FROM ABI"),
                                 head + QStringLiteral("(1, 2, 'a') x")}) {
        Insert(head + QStringLiteral("(1, 2, 'a')"));
        EXPECT_EQ(ErrorOf([&] { ParseJetChange(wrong); }).number(), ErrorNumber::StatementRejected)
            << wrong.toStdString();
    }
    // Whole numbers to the edges of 64 bits; beyond them, a Double.
    EXPECT_EQ(
        Insert(QStringLiteral("INSERT INTO t (a, b, c, d) VALUES (-9223372036854775808, 9223372036854775807, "
                              "9223372036854775808, -0)"))
            .values,
        (std::vector<Variant>{Variant(std::numeric_limits<qint64>::min()), Variant(std::numeric_limits<qint64>::max()),
                              Variant(9223372036854775808.0), Variant(0)}));
    // Leading zeros do not make a whole number a Double; twenty digits of value do.
    EXPECT_EQ(Insert(QStringLiteral("INSERT INTO t (a, b, c) VALUES (000000000000000000000042, 0, "
                                    "18446744073709551615)"))
                  .values,
              (std::vector<Variant>{Variant(42), Variant(0), Variant(18446744073709551615.0)}));
    // The values in every form a literal takes, read alike however they are spaced.
    const QString forms = QStringLiteral(
        "INSERT INTO t (a, b, c, d, e, f, g, h, i) VALUES (~-5~,~+7~,~'a''b'~,~NULL~,~null~,~''~,~1.5~,~2e3~,~- "
        "4~)~;~;");
    const std::vector<Variant> expected{Variant(-5),  Variant(7),      Variant(QStringLiteral("a'b")),
                                        Variant(),    Variant(),       Variant(QString()),
                                        Variant(1.5), Variant(2000.0), Variant(-4)};
    EXPECT_EQ(Insert(QString(forms).remove(QLatin1Char('~'))).values, expected);
    EXPECT_EQ(Insert(QString(forms).replace(QLatin1Char('~'), QStringLiteral(" \t"))).values, expected);
    EXPECT_EQ(Insert(QStringLiteral("INSERT INTO t (a, b) VALUES ('Forlì', -0012)")).values,
              (std::vector<Variant>{Variant(QStringLiteral("Forlì")), Variant(-12)}));
    for (const QString& wrong :
         {QStringLiteral("INSERT INTO t (a) VALUES (Nullx)"), QStringLiteral("INSERT INTO t (a) VALUES (5x)"),
          QStringLiteral("INSERT INTO t (a) VALUES ('a'b)"), QStringLiteral("INSERT INTO t (a) VALUES (5"),
          QStringLiteral("INSERT INTO t (a) VALUES (5) ;x"), QStringLiteral("INSERT INTO t (a) VALUES (--5)"),
          QStringLiteral("INSERT INTO t (a) VALUES (5_)"), QStringLiteral("INSERT INTO t (a) VALUES ('open)")})
        EXPECT_EQ(ErrorOf([&] { ParseJetChange(wrong); }).number(), ErrorNumber::StatementRejected)
            << wrong.toStdString();
    // A name that only begins like the head's last word is another word.
    Insert(QStringLiteral("INSERT INTO ABI (AbiAbi) VALUES (1)"));
    EXPECT_EQ(ErrorOf([&] { ParseJetChange(QStringLiteral("INSERT INTO ABI (AbiAbi) VALUESX (1)")); }).number(),
              ErrorNumber::StatementRejected);
}

}  // namespace
