#pragma once

#include "ui/ui_services.h"

class RuntimeError;

// Every message box of the system carries this title.
inline const QString kTitoloMessaggi = QStringLiteral("Messaggio di Corvanta NET");

// "Routine <module>:<procedure>, linea <line>, errore <number>, descrizione: <description>"
QString ErrorReportText(const QString& module, const QString& procedure, int line, const RuntimeError& error);

// The report of a trapped error: a modal box, critical icon, OK only.
void ShowErrorReport(UiServices& ui, const QString& module, const QString& procedure, int line,
                     const RuntimeError& error);
