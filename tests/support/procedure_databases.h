#pragma once

#include "layouts/abicab_layout.h"
#include "platform/database/jet/new_file/jet_database_writer.h"
#include "support/source_databases.h"

#include <QString>

// Jet procedure databases for the tests, as a Corvanta installation keeps
// them: the tables release (one row), ABI with its primary key on AbiAbi
// and ABICAB with its primary key on (AbcAbi, AbcCab). The existing rows go
// in through the database layer's own writer, so that the indexes hold them.
//
//     const QString path = WriteJetProcedureDatabase(dir.path(), {AbiRow(300, "Banca Locale", 1)}, {});

// The three tables with the rows given, in the order readers list them.
std::vector<JetTable> ProcedureTables(const SourceRows& banks, const SourceRows& branches, int release = 12);

QString WriteJetProcedureDatabase(const QString& folder, const SourceRows& banks, const SourceRows& branches,
                                  const QString& password = QString(),
                                  const QString& fileName = QStringLiteral("ARCPROC.mdb"),
                                  JetVersion version = JetVersion::Jet4);

// The same in a Jet 3 (Access 97) file.
inline QString WriteJet3ProcedureDatabase(const QString& folder, const SourceRows& banks, const SourceRows& branches,
                                          const QString& fileName = QStringLiteral("ARCPROC.mdb"))
{
    return WriteJetProcedureDatabase(folder, banks, branches, QString(), fileName, JetVersion::Jet3);
}

// Whether the file is a Jet 3 one (its header's version byte 0).
bool IsJet3File(const QString& path);

// The statement that inserts `values` into `table`, literals as the update writes them.
QString InsertStatement(const JetTableDefinition& table, const std::vector<Variant>& values);

// Adds the three tables to a copy of a file Access made, with the same rows.
void AddProcedureTables(const QString& path, const SourceRows& banks, const SourceRows& branches,
                        const QString& password = QString());

// `count` banks from ABI `first` on, with apostrophes and accents in their names.
SourceRows BanksFrom(int first, int count);
SourceRows Joined(SourceRows first, const SourceRows& second);

// The SHA-256 of the file's bytes: a file left "byte-identical" keeps it.
QByteArray FileDigest(const QString& path);

// Runs the statements in one transaction on the Jet file; RuntimeError escapes.
void RunJetStatements(const QString& path, const QStringList& statements, const QString& password = QString());

// Checks, as GoogleTest failures, that the procedure database holds exactly
// these rows in any order: the structures of all its tables and of the
// catalog pass the checker, and the project's reader, mdb-export and
// mdb-reader all read the same rows (in a file with other tables too, the
// same number of rows).
void ExpectProcedureDatabaseHolds(const QString& path, const SourceRows& banks, const SourceRows& branches,
                                  const QString& password = QString());
