#pragma once

#include <QString>

class JetPageFile;

// Writes the file with its changes into a new file next to it, flushes it
// to disk and renames it over the original, keeping the original's
// permissions and owner. Until the rename the original is untouched; after
// a failure (a full disk, say) the new file is removed and the original is
// byte for byte what it was. Nothing is written either when another program
// has changed the file since its pages were read. Raises RuntimeError.
void ReplaceWithChanges(JetPageFile& file, const QString& path);

// Writes the file with its changes into a new file of its own next to the
// original, for reading; answers its path. The caller removes it.
QString WriteSnapshot(JetPageFile& file, const QString& path);
