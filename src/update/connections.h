#pragma once

#include "update/database_access.h"

#include <memory>

// The two connections of the update run: the source Abicab.mdb next to the
// program, and the procedure database of the current profile.

// Line 120: "Data Source=" + the program's folder + "\Abicab.mdb;", the
// folder as the platform names it.
QString TestoOrigine(const QString& cartellaProgramma);
// Line 140: what the source is opened with.
QString StringaConnessioneOrigine(const QString& testoOrigine);

// Lines 170 to 210: for a file database ("(Nessuno)") the connection text of
// the procedure database is composed from PrcDir, the database name, PrcExt
// and the password, and replaces PrcAdoConnect in the profile globals, where
// it stays whatever happens next; any other profile keeps PrcAdoConnect.
void ComponiConnessioneDestinazione(int& linea);
// Line 250: what the procedure database is opened with.
QString StringaConnessioneDestinazione();

// Closes a connection at the given line, then discards it at the next (line + 10).
void CloseAndDiscard(std::unique_ptr<Connection>& connection, int& linea, int closeLine);
