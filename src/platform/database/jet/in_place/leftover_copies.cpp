#include "platform/database/jet/in_place/leftover_copies.h"

#include "platform/runtime/process_state.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString CopyPrefix(const QString& path)
{
    return QStringLiteral(".") + QFileInfo(path).fileName() + QStringLiteral(".corvanta-");
}

// The process named in a copy's name, 0 when the name is not one the writer makes.
pid_t WriterOf(const QString& name, const QString& prefix)
{
    const QString rest = name.mid(prefix.size());
    const qsizetype dash = rest.indexOf(QLatin1Char('-'));
    bool number = false;
    const pid_t pid = dash > 0 ? rest.left(dash).toInt(&number) : 0;
    return number && pid > 0 && rest.size() - dash - 1 == 6 ? pid : 0;
}

bool LockedByAnyone(const QByteArray& name)
{
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return true;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

}  // namespace

QByteArray CopyTemplateBeside(const QString& path)
{
    const QFileInfo info(path);
    return QFile::encodeName(info.absolutePath() + QLatin1Char('/') + CopyPrefix(path) + QString::number(::getpid())
                             + QStringLiteral("-XXXXXX"));
}

void RemoveLeftoverCopies(const QString& path)
{
    const QFileInfo info(path);
    const QString prefix = CopyPrefix(path);
    const QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        if (!name.startsWith(prefix))
            continue;
        const pid_t writer = WriterOf(name, prefix);
        const QByteArray file = QFile::encodeName(folder.filePath(name));
        if (writer != 0 && ProcessEnded(writer) && !LockedByAnyone(file))
            ::unlink(file.constData());
    }
}
