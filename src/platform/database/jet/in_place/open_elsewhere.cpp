#include "platform/database/jet/in_place/open_elsewhere.h"

#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// A lock another process holds on the file, of either kind Linux has.
bool LockedByOthers(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    if (!locked) {
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
            locked = errno == EWOULDBLOCK;
        else
            ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    return locked;
}

}  // namespace

bool DatabaseOpenElsewhere(const QString& path)
{
    const QFileInfo info(path);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    for (const char* extension : {".ldb", ".laccdb", ".LDB", ".LACCDB"}) {
        if (LockedByOthers(base + QLatin1String(extension)))
            return true;
    }
    return LockedByOthers(path);
}
