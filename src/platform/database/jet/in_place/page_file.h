#pragma once

#include "platform/database/jet/format/jet_format.h"

#include <sys/stat.h>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <ctime>
#include <map>
#include <unordered_map>

// The pages of an existing Jet 3 or Jet 4 file as a change sees them: read from the
// file when first needed, kept in memory once changed, and pages added past
// the end of the file. The file itself is never written: saveAs() writes the
// original bytes with the changes into another file. Pages are handed out
// decrypted when the file's pages are encrypted (page 0 never is).
class JetPageFile {
public:
    // Raises RuntimeError when the file cannot be read.
    JetPageFile(const QString& path, const QByteArray& encodingKey);

    // As the header's version byte says; the pages are as long as the version's.
    JetVersion version() const { return version_; }
    quint32 pageCount() const { return pageCount_; }
    const QByteArray& page(quint32 number);
    // The page to change in place; the reference stays valid until the next call.
    QByteArray& writablePage(quint32 number);
    // A new page at the end of the file, for the caller to fill.
    quint32 appendPage(const QByteArray& page);
    bool changed() const { return !changed_.empty(); }

    // Writes the whole file with the changes to `fd`, an empty file; raises
    // RuntimeError when it cannot, or when a page read earlier is no longer
    // in the file as it was read.
    void writeTo(int fd, const QString& what);
    // Raises RuntimeError unless the file at its path is still the one opened,
    // of the same size and last changed at the same time.
    void expectUnchanged() const;

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        qint64 size = 0;
        timespec modified{};
        bool operator==(const Identity& other) const;
    };
    static Identity IdentityOf(const struct stat& status);
    size_t digestOf(const char* page) const;
    void expectPagesAsRead(quint32 first, const QByteArray& bytes) const;

    QByteArray readPage(quint32 number);
    QByteArray encrypted(quint32 number, QByteArray page) const;

    QFile file_;
    QByteArray key_;
    JetVersion version_ = JetVersion::Jet4;
    int pageSize_ = kPageSize;
    quint32 originalPages_ = 0;
    quint32 pageCount_ = 0;
    Identity opened_;
    // What every page read looked like on disk, to tell a change by another program.
    std::unordered_map<quint32, size_t> readDigests_;
    std::unordered_map<quint32, QByteArray> read_;
    std::map<quint32, QByteArray> changed_;
};
