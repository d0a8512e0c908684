#pragma once

#include <QString>

// A SQL Server login as the OLE DB providers take it.
struct SqlServerLogin {
    QString dataSource;  // "host", "host\instance" or "host,port"
    QString catalog;
    QString user;
    QString password;
    bool integratedSecurity = false;  // Windows authentication, which Linux cannot give
};

// The ODBC connection text that reaches the same server through FreeTDS.
// Windows authentication is refused with RuntimeError, naming what to set
// in the profile instead.
QString FreeTdsConnectionText(const SqlServerLogin& login);
