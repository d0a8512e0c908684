#pragma once

#include <QString>
#include <QTemporaryDir>

// A small tmpfs of the test's own, for a disk that fills: mounted on a
// temporary folder when the tests run as root (as CI does) and unmounted at
// the end. Elsewhere nothing is mounted and `mounted()` says so.
class SmallFilesystem {
public:
    explicit SmallFilesystem(qint64 bytes);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool mounted() const { return mounted_; }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    // Fills the filesystem with a file of its own until `bytes` are left free.
    void fillLeaving(qint64 bytes) const;
    // Frees what fillLeaving took.
    void unfill() const;

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};
