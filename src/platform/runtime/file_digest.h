#pragma once

#include <QString>

// The SHA-256 of a file's bytes, in lower-case hex; empty when the file
// cannot be read whole.
QString FileSha256(const QString& path);
