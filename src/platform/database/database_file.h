#pragma once

#include <QString>

// What a database file is, by its header: the file-based providers open Jet
// and ACE files and, as the stand-in for a procedure database, SQLite files.
enum class DatabaseFileKind { Missing, Folder, Unreadable, Jet3, Jet4, Ace, Sqlite3, Unknown };

DatabaseFileKind DetectDatabaseFile(const QString& path);
