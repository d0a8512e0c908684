#pragma once

#include "update/deletion_backup.h"

// Puts the rows of a backup back: in one transaction, deletes the codes from
// ABI 1000 up, as a run does, and inserts every saved row with every column
// it was saved with, so that the tables hold exactly what they held before
// the run. On any failure the transaction is rolled back and the error goes
// on to the caller; `linea` names the step (60 the deletion, 70 the banks,
// 80 the branches, 90 the commit).
void RestoreCodes(Connection& destinazione, const SavedCodes& saved, int& linea);

// The literal of a saved value, exact for every kind the engines take back:
// whole numbers, floats with all their digits, texts (an empty one stays
// empty), Null. Bytes raise RuntimeError: no statement of every engine can
// carry them.
QString RestoredLiteral(const Variant& value, const QString& column);

// A column name a statement of every engine takes as it stands: a letter or
// "_", then letters, digits and "_". Any other name (from a damaged or
// hostile backup, or a column named with blanks) raises RuntimeError
// before anything is sent.
const QString& PlainColumnName(const QString& column);
