#pragma once

#include <QStringList>
#include <optional>

// The modes of trasferisci-codici that look at runs rather than make one:
//
//   --anteprima [--csv FILE] (--profilo NOME | ORIGINE DESTINAZIONE)
//       what a run would change now, nothing changed;
//   --ripristina [FILE] --profilo NOME [--si]
//       puts back the codes a run replaced, from its backup (by default the
//       latest completed run's of the profile);
//   --storico
//       prints the run log.
//
// Answers the exit status when the arguments name one of these modes, and
// nothing when they do not. Options come in any order.
std::optional<int> RunHistoryCommand(const QStringList& arguments);

// Takes the options of a run beyond the window's out of the arguments and
// puts them in force: --conserva-dati-banche.
void TakeRunOptions(QStringList& arguments);

// The usage lines of these modes, for the program's own usage text.
QString HistoryUsage();
