#include "platform/database/jet/in_place/open_handles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>

namespace {

bool HoldsOpen(const QByteArray& descriptors, const struct stat& target)
{
    DIR* folder = ::opendir(descriptors.constData());
    if (!folder)
        return false;
    bool holds = false;
    while (const dirent* entry = ::readdir(folder)) {
        struct stat opened {};
        if (entry->d_name[0] != '.' && ::fstatat(::dirfd(folder), entry->d_name, &opened, 0) == 0
            && opened.st_dev == target.st_dev && opened.st_ino == target.st_ino) {
            holds = true;
            break;
        }
    }
    ::closedir(folder);
    return holds;
}

}  // namespace

QString ProcessHoldingOpen(const QString& path)
{
    struct stat target {};
    if (::stat(QFile::encodeName(path).constData(), &target) != 0)
        return {};
    DIR* processes = ::opendir("/proc");
    if (!processes)
        return {};
    QString holder;
    while (const dirent* entry = ::readdir(processes)) {
        bool number = false;
        const pid_t pid = QByteArray(entry->d_name).toInt(&number);
        if (!number || pid == ::getpid())
            continue;
        const QByteArray folder = QByteArrayLiteral("/proc/") + entry->d_name;
        if (HoldsOpen(folder + "/fd", target)) {
            QFile name(QFile::decodeName(folder + "/comm"));
            const QString program =
                name.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(name.readAll()).trimmed() : QString();
            holder = QStringLiteral("%1 (processo %2)").arg(program).arg(pid);
            break;
        }
    }
    ::closedir(processes);
    return holder;
}
