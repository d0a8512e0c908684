#include "platform/database/odbc/odbc_connection_text.h"

QString OdbcAttribute(const QString& keyword, const QString& value)
{
    if (value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}')))
        return keyword + QLatin1Char('=') + value + QLatin1Char(';');  // braced by the profile already
    const bool braced = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
        || value.contains(QLatin1Char('}')) || value != value.trimmed();
    if (!braced)
        return keyword + QLatin1Char('=') + value + QLatin1Char(';');
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return keyword + QStringLiteral("={") + escaped + QStringLiteral("};");
}
