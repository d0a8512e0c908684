#include "platform/database/jet/in_place/page_file.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/database_header.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/rc4.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/system_error.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QHashFunctions>
#include <QtEndian>
#include <cerrno>

namespace {

RuntimeError CannotRead(const QString& path, const QString& why)
{
    return {ErrorNumber::Failure, QStringLiteral("Impossibile leggere il database '%1': %2").arg(path, why)};
}

RuntimeError ChangedElsewhere(const QString& path)
{
    return {ErrorNumber::Failure,
            QStringLiteral("Impossibile salvare le modifiche al database '%1': un altro programma ha modificato il "
                           "database durante l'aggiornamento. Il database non è stato modificato; ripetere "
                           "l'aggiornamento.")
                .arg(path)};
}

RuntimeError CannotWrite(const QString& what)
{
    return {ErrorNumber::Failure,
            QStringLiteral("Impossibile scrivere il database '%1': %2").arg(what, DescrizioneErroreDiSistema(errno))};
}

void WriteAllAt(int fd, const QByteArray& bytes, off_t at, const QString& what)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::pwrite(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), at + done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw CannotWrite(what);
        done += written;
    }
}

}  // namespace

JetPageFile::JetPageFile(const QString& path, const QByteArray& encodingKey) : file_(path)
{
    if (encodingKey.count('\0') != encodingKey.size())
        key_ = encodingKey;
    // Unbuffered: the copy at commit must see the file as it is then, to tell a change by another program.
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw CannotRead(path, DescrizioneErroreFile(file_));
    struct stat status {};
    if (::fstat(file_.handle(), &status) != 0)
        throw CannotRead(path, DescrizioneErroreDiSistema(errno));
    opened_ = IdentityOf(status);
    // Jet 3 marks its header with version 0; the header is the same length in both.
    char versionByte = 0;
    if (!file_.seek(kVersionOffset) || !file_.getChar(&versionByte))
        throw CannotRead(path, DescrizioneErroreFile(file_));
    version_ = versionByte == 0 ? JetVersion::Jet3 : JetVersion::Jet4;
    pageSize_ = PageSize(version_);
    originalPages_ = static_cast<quint32>(file_.size() / pageSize_);
    pageCount_ = originalPages_;
}

QByteArray JetPageFile::readPage(quint32 number)
{
    if (number >= originalPages_)
        throw DamagedFile(QStringLiteral("pagina %1 oltre la fine del file").arg(number));
    QByteArray page(pageSize_, '\0');
    if (!file_.seek(static_cast<qint64>(number) * pageSize_) || file_.read(page.data(), pageSize_) != pageSize_)
        throw CannotRead(file_.fileName(), DescrizioneErroreFile(file_));
    readDigests_.try_emplace(number, digestOf(page.constData()));
    return encrypted(number, std::move(page));
}

// RC4 under the file's key mixed with the page number; applying it twice gives the bytes back.
QByteArray JetPageFile::encrypted(quint32 number, QByteArray page) const
{
    if (key_.isEmpty() || number == 0)
        return page;
    QByteArray key = key_;
    for (int i = 0; i < 4; ++i)
        key[i] = static_cast<char>(key[i] ^ ((number >> (8 * i)) & 0xff));
    ApplyRc4(key, page.data(), page.size());
    return page;
}

const QByteArray& JetPageFile::page(quint32 number)
{
    if (const auto changed = changed_.find(number); changed != changed_.end())
        return changed->second;
    auto known = read_.find(number);
    if (known == read_.end())
        known = read_.emplace(number, readPage(number)).first;
    return known->second;
}

QByteArray& JetPageFile::writablePage(quint32 number)
{
    auto changed = changed_.find(number);
    if (changed == changed_.end()) {
        QByteArray current = page(number);
        read_.erase(number);
        changed = changed_.emplace(number, std::move(current)).first;
    }
    return changed->second;
}

quint32 JetPageFile::appendPage(const QByteArray& page)
{
    Q_ASSERT(page.size() == pageSize_);
    changed_[pageCount_] = page;
    return pageCount_++;
}

void JetPageFile::writeTo(int fd, const QString& what)
{
    // The unchanged bytes first, as they are (still encrypted), then the changes over them.
    if (!file_.seek(0))
        throw CannotRead(file_.fileName(), DescrizioneErroreFile(file_));
    constexpr qint64 kChunk = 1 << 20;
    off_t at = 0;
    for (;;) {
        const QByteArray chunk = file_.read(kChunk);
        if (chunk.isEmpty())
            break;
        expectPagesAsRead(static_cast<quint32>(at / pageSize_), chunk);
        WriteAllAt(fd, chunk, at, what);
        at += chunk.size();
    }
    if (at < static_cast<off_t>(originalPages_) * pageSize_)
        throw CannotRead(file_.fileName(), DescrizioneErroreFile(file_));
    // Runs of consecutive pages in one write each: the pages added at the end are most of them.
    QByteArray run;
    quint32 runStart = 0;
    for (const auto& [number, page] : changed_) {
        if (!run.isEmpty() && number != runStart + static_cast<quint32>(run.size() / pageSize_)) {
            WriteAllAt(fd, run, static_cast<off_t>(runStart) * pageSize_, what);
            run.clear();
        }
        if (run.isEmpty())
            runStart = number;
        run.append(encrypted(number, page));
    }
    if (!run.isEmpty())
        WriteAllAt(fd, run, static_cast<off_t>(runStart) * pageSize_, what);
    if (::ftruncate(fd, static_cast<off_t>(pageCount_) * pageSize_) != 0)
        throw CannotWrite(what);
}

void JetPageFile::expectPagesAsRead(quint32 first, const QByteArray& bytes) const
{
    for (qsizetype offset = 0; offset + pageSize_ <= bytes.size(); offset += pageSize_) {
        const auto read = readDigests_.find(first + static_cast<quint32>(offset / pageSize_));
        if (read != readDigests_.end() && read->second != digestOf(bytes.constData() + offset))
            throw ChangedElsewhere(file_.fileName());
    }
}

void JetPageFile::expectUnchanged() const
{
    struct stat status {};
    if (::stat(QFile::encodeName(file_.fileName()).constData(), &status) != 0 || !(IdentityOf(status) == opened_))
        throw ChangedElsewhere(file_.fileName());
}

size_t JetPageFile::digestOf(const char* page) const
{
    return qHashBits(page, static_cast<size_t>(pageSize_));
}

JetPageFile::Identity JetPageFile::IdentityOf(const struct stat& status)
{
    return {status.st_dev, status.st_ino, static_cast<qint64>(status.st_size), status.st_mtim};
}

bool JetPageFile::Identity::operator==(const Identity& other) const
{
    return device == other.device && inode == other.inode && size == other.size
        && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}
