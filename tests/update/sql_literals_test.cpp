#include "update/sql_literals.h"
#include "platform/runtime/runtime_error.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <QLocale>

namespace {

TEST(SqlTesto, QuotesTextsAndDoublesEveryApostrophe)
{
    EXPECT_EQ(SqlTesto(Variant("Roma")), QStringLiteral("'Roma'"));
    EXPECT_EQ(SqlTesto(Variant("L'Esempio d'Italia")), QStringLiteral("'L''Esempio d''Italia'"));
    EXPECT_EQ(SqlTesto(Variant("'")), QStringLiteral("''''"));
    EXPECT_EQ(SqlTesto(Variant("d'")), QStringLiteral("'d'''"));
    EXPECT_EQ(SqlTesto(Variant("''x")), QStringLiteral("'''''x'"));
    EXPECT_EQ(SqlTesto(Variant(" ")), QStringLiteral("' '"));
}

TEST(SqlTesto, WritesNullForNullAndForTheEmptyText)
{
    EXPECT_EQ(SqlTesto(Variant()), QStringLiteral("Null"));
    EXPECT_EQ(SqlTesto(Variant(QString())), QStringLiteral("Null"));
    EXPECT_EQ(SqlTesto(Variant(QStringLiteral(""))), QStringLiteral("Null"));
}

TEST(SqlTesto, CopiesEveryOtherCharacterUnchanged)
{
    const QString text = QStringLiteral("\"a\\b\"\r\nPiù città – Москва\t");
    EXPECT_EQ(SqlTesto(Variant(text)), QLatin1Char('\'') + text + QLatin1Char('\''));
    EXPECT_EQ(SqlTesto(Variant(QString(300, QLatin1Char('x')))).size(), 302);
}

TEST(SqlTesto, QuotesTheTextOfANumber)
{
    EXPECT_EQ(SqlTesto(Variant(1005)), QStringLiteral("'1005'"));
}

TEST(SqlTesto, AppendsTheSameLiteralAfterWhatIsThere)
{
    for (const Variant& value : {Variant("L'Esempio d'Italia"), Variant(), Variant(""), Variant(1005), Variant(-2.5)}) {
        QString statement = QStringLiteral("VALUES (");
        AppendSqlTesto(statement, value);
        EXPECT_EQ(statement, QStringLiteral("VALUES (") + SqlTesto(value));
    }
    QString statement = QStringLiteral("VALUES (");
    EXPECT_THROW(AppendSqlTesto(statement, Variant(QByteArray("x"))), RuntimeError);
}

TEST(SqlNumero, WritesAFullStopWhateverTheLocale)
{
    const QLocale previous;
    for (const QLocale& locale :
         {QLocale::c(), QLocale(QLocale::Italian, QLocale::Italy), QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        SCOPED_TRACE(locale.name().toStdString());
        EXPECT_EQ(SqlNumero(7), QStringLiteral("7"));
        EXPECT_EQ(SqlNumero(-2.5), QStringLiteral("-2.5"));
        EXPECT_EQ(SqlNumero(0.25), QStringLiteral("0.25"));
        EXPECT_EQ(SqlNumero(1234567.125), QStringLiteral("1234567.125"));
        EXPECT_EQ(SqlNumero(-0.0), QStringLiteral("0"));
    }
    QLocale::setDefault(previous);
}

}  // namespace
