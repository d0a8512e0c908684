#pragma once

#include <QString>

// One "keyword=value;" of an ODBC connection text. A value that holds ";",
// braces or blanks at its ends goes in braces, "}" doubled, so that the
// driver reads it back whole.
QString OdbcAttribute(const QString& keyword, const QString& value);
