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
    // A name that only begins like the head's last word is another word.
    Insert(QStringLiteral("INSERT INTO ABI (AbiAbi) VALUES (1)"));
    EXPECT_EQ(ErrorOf([&] { ParseJetChange(QStringLiteral("INSERT INTO ABI (AbiAbi) VALUESX (1)")); }).number(),
              ErrorNumber::StatementRejected);
}

}  // namespace
