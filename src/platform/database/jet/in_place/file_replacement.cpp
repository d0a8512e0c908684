#include "platform/database/jet/in_place/file_replacement.h"

#include "platform/database/jet/in_place/leftover_copies.h"
#include "platform/database/jet/in_place/page_file.h"
#include "platform/database/jet/in_place/write_permission.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/system_error.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <functional>

namespace {

RuntimeError CannotSave(const QString& path, int error)
{
    return {ErrorNumber::Failure,
            QStringLiteral("Impossibile salvare le modifiche al database '%1': %2")
                .arg(path, DescrizioneErroreDiSistema(error))};
}

// A new file beside `path`, hidden, that no one else can have opened; held
// locked while it is written, so that no run takes it for a leftover.
int CreateBeside(const QString& path, QByteArray& name)
{
    name = CopyTemplateBeside(path);
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        ::flock(fd, LOCK_EX);
    return fd;
}

// Removes the file it names unless released: every way out of a failed save.
class TemporaryName {
public:
    explicit TemporaryName(QByteArray name) : name_(std::move(name)) {}
    ~TemporaryName()
    {
        if (!name_.isEmpty())
            ::unlink(name_.constData());
    }
    void release() { name_.clear(); }

private:
    QByteArray name_;
};

void SyncFolder(const QString& path)
{
    const int folder =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    ::fsync(folder);
    ::close(folder);
}

// Writes the file with its changes into a new file beside `path`, shaped by
// `prepare` (given its descriptor) first and flushed to disk when `durable`;
// answers its name. The new file is removed again if anything fails.
QByteArray WriteBeside(JetPageFile& file, const QString& path, bool durable, const std::function<void(int)>& prepare)
{
    QByteArray name;
    const int fd = CreateBeside(path, name);
    if (fd < 0)
        throw CannotSave(path, errno);
    TemporaryName temporary(name);
    try {
        prepare(fd);
        file.writeTo(fd, path);
        if (durable && ::fsync(fd) != 0)
            throw CannotSave(path, errno);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0)
        throw CannotSave(path, errno);
    temporary.release();
    return name;
}

}  // namespace

void ReplaceWithChanges(JetPageFile& file, const QString& path)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat original {};
    if (::stat(target.constData(), &original) != 0)
        throw CannotSave(path, errno);
    const QByteArray name = WriteBeside(file, path, true, [&](int fd) {
        if (::fchmod(fd, original.st_mode & 07777) != 0
            || ((original.st_uid != ::geteuid() || original.st_gid != ::getegid())
                && ::fchown(fd, original.st_uid, original.st_gid) != 0))
            throw CannotSave(path, errno);
    });
    TemporaryName temporary(name);
    // Written while another program changed the file, the copy would take its
    // changes away; made read-only meanwhile, the file must stay as it is.
    file.expectUnchanged();
    ExpectJetFileWritable(path);
    if (::rename(name.constData(), target.constData()) != 0)
        throw CannotSave(path, errno);
    temporary.release();
    SyncFolder(path);
}

QString WriteSnapshot(JetPageFile& file, const QString& path)
{
    return QFile::decodeName(WriteBeside(file, path, false, [](int) {}));
}
