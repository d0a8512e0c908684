#pragma once

#include <QByteArray>
#include <QString>

// The copies the writer makes beside a database before renaming one over it
// (or to read what a transaction has changed) are hidden and named
// ".NAME.corvanta-PID-XXXXXX", PID the process writing it: a run killed
// before the rename leaves one behind, and the next run knows it for what it
// is.

// The mkstemp() template of a new copy of `path` for this process.
QByteArray CopyTemplateBeside(const QString& path);

// Removes the copies of `path` whose process has ended and that no process
// holds locked. The caller holds the database (JetDatabaseLock): no other
// run can be making a copy meanwhile.
void RemoveLeftoverCopies(const QString& path);
