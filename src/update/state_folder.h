#pragma once

#include <QString>

// Where the tool keeps what it writes of its own: the backups of the codes
// a run replaces and the run log, in the user's state folder
// ($XDG_STATE_HOME, ~/.local/state when unset), under "corvanta-abicab".
// Nothing there is ever deleted by the tool.
QString StateFolder();

// The folder of the backups inside it.
QString BackupFolder();

// Creates the folder with its parents; raises RuntimeError, in Italian, when
// it cannot.
void MakeFolder(const QString& folder);
