#include "platform/database/jet/in_place/write_permission.h"

#include "platform/database/engine_error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace {

RuntimeError NotWritable(const QString& why)
{
    return EngineError(EngineFailure::PermissionDenied, QString(), why);
}

bool MayAccess(const QString& path, int mode)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), mode, AT_EACCESS) == 0;
}

}  // namespace

void ExpectJetFileWritable(const QString& path)
{
    struct stat file {};
    if (::stat(QFile::encodeName(path).constData(), &file) != 0)
        throw EngineError(EngineFailure::CannotOpen, QString::fromLocal8Bit(std::strerror(errno)));
    if ((file.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || !MayAccess(path, W_OK))
        throw NotWritable(QStringLiteral("Il file '%1' è in sola lettura.").arg(path));
    const QString folder = QFileInfo(path).absolutePath();
    if (!MayAccess(folder, W_OK | X_OK))
        throw NotWritable(QStringLiteral("La cartella '%1' non consente di crearvi file.").arg(folder));
    // The new copy would be the user's: only root can give it the owner the file has.
    if (::geteuid() != 0 && file.st_uid != ::geteuid())
        throw NotWritable(QStringLiteral("Il file '%1' appartiene a un altro utente.").arg(path));
}
