// Copies the bank codes of a source database into a procedure database, as
// the update does once the profile and the release have been checked. For
// administrators and for the demo, until the window drives the whole run.
#include "code_transfer.h"
#include "console_ui_services.h"
#include "error_report.h"
#include "progress_report.h"
#include "runtime_error.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

QString FileConnection(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path + QStringLiteral(";;");
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2 || args.first().startsWith(QLatin1Char('-'))) {
        QTextStream(stderr) << "Uso: trasferisci-codici ORIGINE DESTINAZIONE\n"
                               "Sostituisce nel database DESTINAZIONE i codici ABI/CAB da 1000 in su con quelli\n"
                               "delle tabelle abi e abicab di ORIGINE (di solito Abicab.mdb).\n";
        return 2;
    }
    ConsoleUiServices ui(true);
    int linea = 0;
    auto origine = std::make_unique<Connection>();
    auto destinazione = std::make_unique<Connection>();
    ProgressReport progress(ui, linea);
    try {
        linea = 140;
        origine->open(FileConnection(args.at(0)));
        linea = 250;
        destinazione->open(FileConnection(args.at(1)));
        if (TrasferisciCodici(ui, origine, destinazione, progress, linea) != TransferOutcome::Completed)
            return 3;
    } catch (const RuntimeError& error) {
        ShowErrorReport(ui, QStringLiteral("trasferisci-codici"), QStringLiteral("TrasferisciCodici"), linea, error);
        return 1;
    }
    ui.messageBox(QStringLiteral("Aggiornamento codici ABI/CAB completato."), MsgIcon::Information, MsgButtons::Ok,
                  MsgDefault::First, kTitoloMessaggi);
    return 0;
}
