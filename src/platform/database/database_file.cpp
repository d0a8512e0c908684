#include "platform/database/database_file.h"

#include <QFile>
#include <QFileInfo>

DatabaseFileKind DetectDatabaseFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return DatabaseFileKind::Missing;
    if (info.isDir())
        return DatabaseFileKind::Folder;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DatabaseFileKind::Unreadable;
    const QByteArray header = file.read(32);

    if (header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return DatabaseFileKind::Sqlite3;
    // Jet and ACE: a 4-byte page tag, the engine's signature, then at 0x14 the
    // file format version (0 Jet 3, 1 Jet 4, 2 and later ACE).
    if (header.size() >= 0x15 && header.mid(4, 16) == QByteArrayLiteral("Standard Jet DB\0")) {
        switch (header.at(0x14)) {
            case 0: return DatabaseFileKind::Jet3;
            case 1: return DatabaseFileKind::Jet4;
            default: return DatabaseFileKind::Unknown;
        }
    }
    if (header.size() >= 0x15 && header.mid(4, 16) == QByteArrayLiteral("Standard ACE DB\0"))
        return DatabaseFileKind::Ace;
    return DatabaseFileKind::Unknown;
}
