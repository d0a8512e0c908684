#include "support/error_capture.h"
#include "support/qt_printers.h"
#include "update/database_access.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

RuntimeError OpenError(const QString& connectionString)
{
    return ErrorOf([&] {
        Connection connection;
        connection.open(connectionString);
    });
}

// Each provider reaches its own engine, which is told where no server
// listens: the engine's own complaint shows which one was asked.
TEST(Providers, SendEachProviderNameToItsEngine)
{
    QTemporaryDir nowhere;
    struct Case {
        QString connection;
        const char* engineSays;
    };
    const QString postgresql =
        QStringLiteral(";Data Source=%1;Initial Catalog=ARCPROC;User ID=corvanta;Password=x;").arg(nowhere.path());
    const std::vector<Case> cases{
        {QStringLiteral("Provider=PostgreSQL") + postgresql, "Database PostgreSQL 'ARCPROC'"},
        {QStringLiteral("Provider=pgnp.1") + postgresql, "Database PostgreSQL 'ARCPROC'"},
        {QStringLiteral("Provider=PostgreSQL OLE DB Provider") + postgresql, "Database PostgreSQL 'ARCPROC'"},
        {QStringLiteral("Provider=MSDASQL.1;DSN=NessunaOrigine;"), "Origine dati ODBC"},
        {QStringLiteral("DSN=NessunaOrigine;UID=x;"), "Origine dati ODBC"},
        {QStringLiteral("Driver={Nessun driver};"), "Origine dati ODBC"},
        {QStringLiteral("Provider=SQLOLEDB.1;Data Source=srv01;Integrated Security=SSPI;Initial Catalog=ARCPROC;"),
         "User ID e Password"},
        {QStringLiteral("Provider=MSOLEDBSQL19;Server=srv01;Trusted_Connection=Yes;"), "User ID e Password"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.connection.toStdString());
        const RuntimeError error = OpenError(c.connection);
        EXPECT_EQ(error.number(), ErrorNumber::Failure);
        EXPECT_TRUE(error.description().contains(QString::fromUtf8(c.engineSays))) << error.description().toStdString();
    }
}

TEST(Providers, NameAProviderTheToolDoesNotKnow)
{
    for (const char* name : {"SQLOLEDB.X", "Microsoft.Jet.OLEDB.3.51", "OraOLEDB.Oracle", "MSDASQLX"}) {
        const RuntimeError error = OpenError(QStringLiteral("Provider=%1;Data Source=x;").arg(QLatin1String(name)));
        EXPECT_EQ(error.number(), ErrorNumber::ProviderNotFound) << name;
        EXPECT_EQ(error.description(),
                  QStringLiteral("Impossibile trovare il provider '%1'. Potrebbe non essere installato correttamente.")
                      .arg(QLatin1String(name)));
    }
    const RuntimeError none = OpenError(QStringLiteral("Data Source=x;"));
    EXPECT_EQ(none.number(), ErrorNumber::ProviderNotFound);
    EXPECT_TRUE(none.description().contains(QStringLiteral("non ne indica alcuno")))
        << none.description().toStdString();
}

}  // namespace
