#include "update/state_folder.h"

#include "platform/runtime/runtime_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString StateFolder()
{
    // The XDG base directory rules: a relative value is to be ignored.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/corvanta-abicab");
}

QString BackupFolder()
{
    return StateFolder() + QStringLiteral("/backup");
}

void MakeFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return;
    // The backups hold the installation's bank details: the folder is the user's alone.
    if (!QDir().mkpath(folder)
        || !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        throw RuntimeError(ErrorNumber::Failure, QStringLiteral("Impossibile creare la cartella %1.").arg(folder));
}
