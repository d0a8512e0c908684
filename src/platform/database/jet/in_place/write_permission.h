#pragma once

#include <QString>

// Raises ErrorNumber::ReadOnlyDatabase unless the user may change the Jet
// file at `path` the way the writer changes it: a new copy made in its
// folder and renamed over it, with the file's owner and permissions. A file
// with no write permission for anyone is read-only for root as well, as
// Windows (and Wine) show it with its read-only attribute.
void ExpectJetFileWritable(const QString& path);
