#include "platform/runtime/variant.h"
#include "platform/runtime/runtime_error.h"
#include "support/error_capture.h"

#include <gtest/gtest.h>
#include <QLocale>

namespace {

// Runs a block under a locale and puts the previous one back.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) : previous_(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

TEST(DefaultText, WritesValuesAsTheRuntimeDoes)
{
    LocaleScope c(QLocale::c());
    EXPECT_EQ(DefaultText(Variant()), QString());
    EXPECT_EQ(DefaultText(Variant(-2147483647 - 1)), QStringLiteral("-2147483648"));
    EXPECT_EQ(DefaultText(Variant(qint64(1005))), QStringLiteral("1005"));
    EXPECT_EQ(DefaultText(Variant(QStringLiteral("d'Italia"))), QStringLiteral("d'Italia"));
    EXPECT_EQ(DefaultText(Variant(7.0)), QStringLiteral("7"));
    EXPECT_EQ(DefaultText(Variant(-2.5)), QStringLiteral("-2.5"));
    EXPECT_EQ(DefaultText(Variant(0.25)), QStringLiteral("0.25"));
    EXPECT_EQ(DefaultText(Variant(-0.0)), QStringLiteral("0"));
}

TEST(DefaultNumberText, KeepsFifteenDigitsAndUsesExponentsAtTheExtremes)
{
    LocaleScope c(QLocale::c());
    EXPECT_EQ(DefaultNumberText(123456789012345.0), QStringLiteral("123456789012345"));
    EXPECT_EQ(DefaultNumberText(1.0 / 3.0), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(DefaultNumberText(444.555), QStringLiteral("444.555"));
    EXPECT_EQ(DefaultNumberText(1e15), QStringLiteral("1E+15"));
    EXPECT_EQ(DefaultNumberText(0.00001), QStringLiteral("1E-05"));
    EXPECT_EQ(DefaultNumberText(0.0001), QStringLiteral("0.0001"));
}

TEST(DefaultNumberText, UsesTheDecimalSeparatorOfTheLocale)
{
    LocaleScope italian(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(DefaultNumberText(-2.5), QStringLiteral("-2,5"));
    EXPECT_EQ(DefaultNumberText(1234567.5), QStringLiteral("1234567,5"));  // never grouped
    EXPECT_EQ(DefaultText(Variant(3.0)), QStringLiteral("3"));
}

TEST(ToDouble, ConvertsNumbersAndNumericTextsAndRefusesTheRest)
{
    LocaleScope italian(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(ToDouble(Variant(7)), 7.0);
    EXPECT_EQ(ToDouble(Variant(-2.5)), -2.5);
    EXPECT_EQ(ToDouble(Variant(QStringLiteral(" 2,5 "))), 2.5);
    EXPECT_EQ(ErrorNumberOf([] { ToDouble(Variant()); }), ErrorNumber::InvalidUseOfNull);
    EXPECT_EQ(ErrorNumberOf([] { ToDouble(Variant(QStringLiteral("sette"))); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(ErrorNumberOf([] { ToDouble(Variant(QString())); }), ErrorNumber::TypeMismatch);
}

TEST(ToLong, RoundsHalfToEvenAndOverflowsBeyondThirtyTwoBits)
{
    EXPECT_EQ(ToLong(Variant(2.5)), 2);
    EXPECT_EQ(ToLong(Variant(3.5)), 4);
    EXPECT_EQ(ToLong(Variant(-0.5)), 0);
    EXPECT_EQ(ToLong(Variant(-1.2)), -1);
    EXPECT_EQ(ToLong(Variant(qint64(2147483647))), 2147483647);
    EXPECT_EQ(ToLong(Variant(2147483647.4)), 2147483647);
    EXPECT_EQ(ToLong(Variant(-2147483648.5)), -2147483647 - 1);  // the even neighbour
    EXPECT_EQ(ErrorNumberOf([] { ToLong(Variant(qint64(2147483648))); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorNumberOf([] { ToLong(Variant(2147483647.5)); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorNumberOf([] { ToLong(Variant(99999999999.0)); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorNumberOf([] { ToLong(Variant()); }), ErrorNumber::InvalidUseOfNull);
    EXPECT_EQ(ErrorNumberOf([] { ToLong(Variant(QStringLiteral("x"))); }), ErrorNumber::TypeMismatch);
}

TEST(Val, ReadsTheNumberAtTheStartLeniently)
{
    EXPECT_EQ(Val(QStringLiteral("-1")), -1.0);
    EXPECT_EQ(Val(QStringLiteral(" - 1 2")), -12.0);
    EXPECT_EQ(Val(QStringLiteral("\t1\n5abc")), 15.0);
    EXPECT_EQ(Val(QStringLiteral("-1.2")), -1.2);
    EXPECT_EQ(Val(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(Val(QStringLiteral("5.")), 5.0);
    EXPECT_EQ(Val(QStringLiteral("1e3")), 1000.0);
    EXPECT_EQ(Val(QStringLiteral("1D2x")), 100.0);
    EXPECT_EQ(Val(QStringLiteral("2e")), 2.0);
    EXPECT_EQ(Val(QStringLiteral("2e+")), 2.0);
    EXPECT_EQ(Val(QStringLiteral("1,5")), 1.0);  // the comma is never a decimal separator here
    EXPECT_EQ(Val(QStringLiteral("True")), 0.0);
    EXPECT_EQ(Val(QStringLiteral("")), 0.0);
    EXPECT_EQ(Val(QStringLiteral("-")), 0.0);
    EXPECT_EQ(Val(QStringLiteral("99999999999")), 99999999999.0);
    EXPECT_EQ(ErrorNumberOf([] { Val(QStringLiteral("1e999")); }), ErrorNumber::Overflow);
}

TEST(Val, IgnoresTheLocale)
{
    LocaleScope italian(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(Val(QStringLiteral("-1.2")), -1.2);
}

}  // namespace
