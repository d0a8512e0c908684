#pragma once

#include <QString>

// Whether another program has the database open: Access (through Wine, too)
// keeps byte-range locks on the lock file next to it (.ldb, .laccdb for
// ACE) while it works on the file. A lock file without live locks is what a
// program that ended abruptly leaves behind, and does not count.
bool DatabaseOpenElsewhere(const QString& path);
