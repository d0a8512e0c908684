#pragma once

#include <QString>

// A statement as a MariaDB or MySQL server must be given it: the procedure
// database's table `release` bears a name that those servers reserve, so the
// name is quoted with backticks wherever it stands as a word outside texts
// and quoted names. Everything else is left exactly as it is.
QString MysqlStatementText(const QString& sql);
