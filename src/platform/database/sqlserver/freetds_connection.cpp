#include "platform/database/sqlserver/freetds_connection.h"

#include "platform/database/odbc/odbc_connection_text.h"
#include "platform/runtime/runtime_error.h"

QString FreeTdsConnectionText(const SqlServerLogin& login)
{
    if (login.integratedSecurity)
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("L'autenticazione integrata di Windows (Integrated Security o "
                                          "Trusted_Connection) non è disponibile su Linux: indicare nella stringa di "
                                          "connessione del profilo un accesso di SQL Server con User ID e Password."));
    QString server = login.dataSource.trimmed();
    if (server.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        server = server.mid(4);
    QString port;
    const qsizetype comma = server.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
    // "(local)" and "." are this machine in SQL Server's own notation;
    // FreeTDS takes "host\instance" as it is and asks the server for the port.
    const qsizetype backslash = server.indexOf(QLatin1Char('\\'));
    const QString host = backslash >= 0 ? server.left(backslash) : server;
    if (host == QLatin1String("(local)") || host == QLatin1String("."))
        server.replace(0, host.size(), QStringLiteral("localhost"));

    QString text = OdbcAttribute(QStringLiteral("Driver"), QStringLiteral("FreeTDS"))
        + OdbcAttribute(QStringLiteral("Server"), server);
    if (!port.isEmpty())
        text += OdbcAttribute(QStringLiteral("Port"), port);
    if (!login.catalog.isEmpty())
        text += OdbcAttribute(QStringLiteral("Database"), login.catalog);
    text += OdbcAttribute(QStringLiteral("UID"), login.user) + OdbcAttribute(QStringLiteral("PWD"), login.password)
        + OdbcAttribute(QStringLiteral("TDS_Version"), QStringLiteral("7.4"))
        + OdbcAttribute(QStringLiteral("ClientCharset"), QStringLiteral("UTF-8"));
    return text;
}
