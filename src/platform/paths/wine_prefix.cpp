#include "platform/paths/wine_prefix.h"

#include <QDir>

QString WinePrefixPath()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : prefix;
}
