#include "update/connection_string.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

TEST(ConnectionString, ReadsTheStringsTheUpdateComposes)
{
    const auto source =
        ConnectionString::parse(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Tool\\Abicab.mdb;;"));
    EXPECT_EQ(source.value(QStringLiteral("provider")), QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
    EXPECT_EQ(source.value(QStringLiteral("DATA SOURCE")), QStringLiteral("C:\\Tool\\Abicab.mdb"));

    const auto destination = ConnectionString::parse(QStringLiteral(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Dati\\ARCPROC.mdb;Jet OLEDB:Database Password=s3=gr;eto;;"));
    EXPECT_EQ(destination.value(QStringLiteral("Jet OLEDB:Database Password")), QStringLiteral("s3=gr"));
}

TEST(ConnectionString, TrimsBlanksAndHonoursQuotes)
{
    const auto settings = ConnectionString::parse(
        QStringLiteral("  Provider = SQLOLEDB ; Password=\"a;b\"\"c\" ; User ID='l''utente'; Vuoto=;Solo"));
    EXPECT_EQ(settings.value(QStringLiteral("Provider")), QStringLiteral("SQLOLEDB"));
    EXPECT_EQ(settings.value(QStringLiteral("password")), QStringLiteral("a;b\"c"));
    EXPECT_EQ(settings.value(QStringLiteral("User ID")), QStringLiteral("l'utente"));
    EXPECT_TRUE(settings.contains(QStringLiteral("vuoto")));
    EXPECT_EQ(settings.value(QStringLiteral("vuoto")), QString());
    EXPECT_FALSE(settings.contains(QStringLiteral("Solo")));
    EXPECT_FALSE(settings.contains(QStringLiteral("Data Source")));
}

TEST(ConnectionString, LetsTheLastOccurrenceCount)
{
    const auto settings = ConnectionString::parse(QStringLiteral("Data Source=a.mdb;data source=b.mdb"));
    EXPECT_EQ(settings.value(QStringLiteral("Data Source")), QStringLiteral("b.mdb"));
}

}  // namespace
