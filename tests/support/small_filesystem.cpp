#include "support/small_filesystem.h"

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <QFile>
#include <stdexcept>

namespace {

const QString kFiller = QStringLiteral("riempimento");

}  // namespace

SmallFilesystem::SmallFilesystem(qint64 bytes)
{
    const QByteArray options = "size=" + QByteArray::number(bytes);
    mounted_ = geteuid() == 0
        && ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallFilesystem::~SmallFilesystem()
{
    if (mounted_)
        ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
}

void SmallFilesystem::fillLeaving(qint64 bytes) const
{
    struct statvfs room {};
    if (statvfs(QFile::encodeName(dir_.path()).constData(), &room) != 0)
        throw std::runtime_error("statvfs failed");
    const qint64 free = qint64(room.f_bavail) * qint64(room.f_frsize);
    QFile filler(filePath(kFiller));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
        throw std::runtime_error("cannot write the filler file");
    const QByteArray block(4096, '\0');
    for (qint64 left = free - bytes; left > 0; left -= block.size())
        filler.write(block.constData(), std::min<qint64>(left, block.size()));
}

void SmallFilesystem::unfill() const
{
    QFile::remove(filePath(kFiller));
}
