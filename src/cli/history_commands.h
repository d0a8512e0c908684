#pragma once

struct CommandLine;

// The modes of trasferisci-codici that look at runs rather than make one,
// each answering the program's exit status:

// --anteprima [--csv FILE] (--profilo NOME | ORIGINE DESTINAZIONE): what a
// run would change now, nothing changed.
int PreviewUpdate(const CommandLine& line);

// --ripristina [COPIA] --profilo NOME [--si]: puts back the codes a run
// replaced, from its backup (by default the latest completed run's of the
// profile).
int RestoreFromBackup(const CommandLine& line);

// --storico: prints the run log.
int PrintRunLog();
