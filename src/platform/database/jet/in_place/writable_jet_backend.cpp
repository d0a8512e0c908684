#include "platform/database/jet/in_place/writable_jet_backend.h"

#include "platform/database/jet/format/database_header.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/text_encoding.h"
#include "platform/database/jet/in_place/jet_transaction.h"
#include "platform/database/jet/jet_backend.h"
#include "platform/database/jet/jet_select.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/system_error.h"

#include <sys/stat.h>
#include <sys/vfs.h>
#include <QFile>
#include <algorithm>
#include <array>
#include <ctime>
#include <optional>

namespace {

DatabaseHeader ReadHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError(
            ErrorNumber::Failure,
            QStringLiteral("Impossibile aprire il file '%1': %2").arg(path, DescrizioneErroreFile(file)));
    const std::optional<DatabaseHeader> header = ReadDatabaseHeader(file.read(kPageSize));
    if (!header || file.size() % PageSize(header->version) != 0)
        throw JetNotADatabase(path);
    // The writer reads and writes Jet 3 texts in the Western code page only.
    if (header->version == JetVersion::Jet3 && header->codePage != kWindows1252CodePage)
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("Impossibile aggiornare il database '%1': i suoi testi sono nella code page "
                                          "%2, lo strumento scrive solo nella code page 1252.")
                               .arg(path)
                               .arg(header->codePage));
    return *header;
}

constexpr time_t kSettledSeconds = 2;

// Whether the kernel keeps the file's times itself. A network file system
// (an installation's shared folder) may answer from a cache for a while and
// miss another computer's write.
bool OnALocalDisk(const QString& path)
{
    struct statfs system {};
    if (::statfs(QFile::encodeName(path).constData(), &system) != 0)
        return false;
    constexpr std::array<decltype(system.f_type), 7> kLocal{
        0xEF53 /* ext2/3/4 */, 0x58465342 /* xfs */, 0x9123683E /* btrfs */, 0x01021994 /* tmpfs */,
        0x794C7630 /* overlayfs */, 0xF2F52010 /* f2fs */, 0x2FC12FC1 /* zfs */};
    return std::find(kLocal.begin(), kLocal.end(), system.f_type) != kLocal.end();
}

bool IsSelect(const QString& sql)
{
    return sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
}

class WritableJetBackend : public DatabaseBackend {
public:
    WritableJetBackend(QString path, DatabaseHeader header)
        : path_(std::move(path)), header_(std::move(header)), reader_(OpenJetDatabase(path_))
    {
    }

    ResultSet query(const QString& sql) override
    {
        if (!transaction_ || !transaction_->changed())
            return reader_->query(sql);
        // What the transaction has changed so far is read from a file of its own.
        ParseJetSelect(sql);
        const QString snapshot = transaction_->snapshot();
        try {
            ResultSet result = OpenJetDatabase(snapshot)->query(sql);
            QFile::remove(snapshot);
            return result;
        } catch (...) {
            QFile::remove(snapshot);
            throw;
        }
    }

    void execute(const QString& sql) override
    {
        if (IsSelect(sql)) {
            query(sql);
            return;
        }
        JetChange change = ParseJetChange(sql);
        if (transaction_) {
            transaction_->apply(std::move(change));
            return;
        }
        JetTransaction single(path_, header_.encodingKey);
        single.apply(std::move(change));
        single.commit();
    }

    void beginTransaction() override
    {
        if (transaction_)
            throw RuntimeError(ErrorNumber::Failure, QStringLiteral("Una transazione è già in corso."));
        transaction_ = std::make_unique<JetTransaction>(path_, header_.encodingKey);
    }

    void commitTransaction() override
    {
        if (!transaction_)
            throw RuntimeError(ErrorNumber::Failure, QStringLiteral("Nessuna transazione in corso."));
        std::unique_ptr<JetTransaction> transaction = std::move(transaction_);
        transaction->commit();
    }

    void rollbackTransaction() override
    {
        if (!transaction_)
            throw RuntimeError(ErrorNumber::Failure, QStringLiteral("Nessuna transazione in corso."));
        transaction_.reset();
    }

    // The file as the system keeps it: a program that writes it changes its
    // change time, one that replaces it its inode. A write sets those times
    // only to the clock's coarse tick, though, so a file written in the last
    // seconds could be written again within the same tick unseen: its mark
    // says nothing until it has settled, nor on a network file system.
    QByteArray changeMark() override
    {
        struct stat file {};
        timespec now{};
        if (!OnALocalDisk(path_) || ::stat(QFile::encodeName(path_).constData(), &file) != 0
            || ::clock_gettime(CLOCK_REALTIME, &now) != 0
            || now.tv_sec - std::max(file.st_mtim.tv_sec, file.st_ctim.tv_sec) < kSettledSeconds)
            return {};
        return QByteArray::number(quint64(file.st_dev)) + ' ' + QByteArray::number(quint64(file.st_ino)) + ' '
            + QByteArray::number(qint64(file.st_size)) + ' ' + QByteArray::number(qint64(file.st_mtim.tv_sec)) + '.'
            + QByteArray::number(qint64(file.st_mtim.tv_nsec)) + ' ' + QByteArray::number(qint64(file.st_ctim.tv_sec))
            + '.' + QByteArray::number(qint64(file.st_ctim.tv_nsec));
    }

    // The reader copies what the file holds, which is not yet what a
    // transaction has changed.
    std::optional<std::vector<QStringList>> copyRowsToSqliteFile(const QString& file,
                                                                 const std::vector<RowCopy>& copies) override
    {
        if (transaction_)
            return std::nullopt;
        return reader_->copyRowsToSqliteFile(file, copies);
    }

private:
    QString path_;
    DatabaseHeader header_;
    std::unique_ptr<DatabaseBackend> reader_;
    std::unique_ptr<JetTransaction> transaction_;
};

}  // namespace

std::unique_ptr<DatabaseBackend> OpenWritableJetDatabase(const QString& path, const QString& password)
{
    DatabaseHeader header = ReadHeader(path);
    if (!header.password.isEmpty() && header.password != password)
        throw RuntimeError(ErrorNumber::AuthenticationFailed, QStringLiteral("Password non valida."));
    return std::make_unique<WritableJetBackend>(path, std::move(header));
}
