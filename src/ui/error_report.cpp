#include "ui/error_report.h"

#include "platform/runtime/runtime_error.h"

QString ErrorReportText(const QString& module, const QString& procedure, int line, const RuntimeError& error)
{
    return QStringLiteral("Routine ") + module + QLatin1Char(':') + procedure + QStringLiteral(", linea ")
        + QString::number(line) + QStringLiteral(", errore ") + QString::number(error.number())
        + QStringLiteral(", descrizione: ") + error.description();
}

void ShowErrorReport(UiServices& ui, const QString& module, const QString& procedure, int line,
                     const RuntimeError& error)
{
    ui.messageBox(ErrorReportText(module, procedure, line, error), MsgIcon::Critical, MsgButtons::Ok, MsgDefault::First,
                  kTitoloMessaggi);
}
