#pragma once

#include "mkprefix/wine_prefix_writer.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A Wine prefix of the test's own: a temporary folder that WINEPREFIX names
// while the object lives. It starts empty, with the registry stand-in's
// state reset; hive files are written with the prefix writer or, for
// malformed ones, byte by byte.
class TemporaryPrefix {
public:
    TemporaryPrefix();
    ~TemporaryPrefix();
    TemporaryPrefix(const TemporaryPrefix&) = delete;
    TemporaryPrefix& operator=(const TemporaryPrefix&) = delete;

    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    // A writer over the prefix's current files; call save() on it.
    WinePrefixWriter writer() const { return WinePrefixWriter(path()); }
    void writeFile(const QString& name, const QByteArray& content) const;

private:
    QTemporaryDir dir_;
    bool hadPrefix_;
    QByteArray oldPrefix_;
};
