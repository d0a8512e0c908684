#include "platform/database/odbc/driver_logs.h"

#include <pwd.h>
#include <unistd.h>
#include <QDir>

void RemoveDriverLogs()
{
    // psqlodbc_[program_]<user><pid>.log, and mylog_ likewise for Debug=1.
    const passwd* user = getpwuid(getuid());
    const QString owner = QString::fromLocal8Bit(user ? user->pw_name : "") + QString::number(getpid());
    QDir folder(QStringLiteral("/tmp"));
    const QStringList patterns{QStringLiteral("psqlodbc_*%1.log").arg(owner),
                               QStringLiteral("mylog_*%1.log").arg(owner)};
    for (const QString& name : folder.entryList(patterns, QDir::Files | QDir::Hidden))
        folder.remove(name);
}
