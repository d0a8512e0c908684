// Copies the bank codes of a source database into a procedure database, as
// the update does once the profile and the release have been checked. For
// administrators and for the demo, until the window drives the whole run.
//
//   trasferisci-codici ORIGINE DESTINAZIONE   two database files
//   trasferisci-codici --profilo NOME         Abicab.mdb next to the program, the
//                                             procedure database of the profile
#include "code_transfer.h"
#include "console_ui_services.h"
#include "error_report.h"
#include "profile_settings.h"
#include "progress_report.h"
#include "runtime_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <optional>

namespace {

// The procedure database of a profile. A file database lies in PrcDir, which
// on this platform is a folder of its own, not a Windows path.
std::optional<QString> ProfileConnection(UiServices& ui, const QString& profilo)
{
    if (!GetVarGlobali(ui, profilo))
        return std::nullopt;
    if (VarGlobali.PrcSubDataType == QLatin1String("?")) {
        ui.messageBox(QStringLiteral("Nessuna installazione di Corvanta/Corvanta NET rilevata nel profilo '%1'.").arg(profilo),
                      MsgIcon::Exclamation, MsgButtons::Ok, MsgDefault::First, kTitoloMessaggi);
        return std::nullopt;
    }
    if (VarGlobali.PrcSubDataType == QLatin1String("(Nessuno)"))
        VarGlobali.PrcAdoConnect = QStringLiteral("Data Source=") + QDir(VarGlobali.PrcDir).filePath(GetNomeArcProc(profilo))
            + VarGlobali.PrcExt + QLatin1Char(';');
    return QStringLiteral("Provider=") + VarGlobali.PrcAdoProvider + QLatin1Char(';') + VarGlobali.PrcAdoConnect
        + QLatin1Char(';');
}

int Usage()
{
    QTextStream(stderr) << "Uso: trasferisci-codici ORIGINE DESTINAZIONE\n"
                           "     trasferisci-codici --profilo NOME\n"
                           "Sostituisce nel database di destinazione i codici ABI/CAB da 1000 in su con quelli\n"
                           "delle tabelle abi e abicab di ORIGINE. Con --profilo l'origine è Abicab.mdb nella\n"
                           "cartella del programma e la destinazione è l'archivio procedura del profilo NOME,\n"
                           "letto dalle impostazioni dell'installazione nel prefisso Wine ($WINEPREFIX).\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2 || (args.first().startsWith(QLatin1Char('-')) && args.first() != QLatin1String("--profilo")))
        return Usage();

    ConsoleUiServices ui(true);
    QString origineText = FileConnectionString(args.at(0));
    QString destinazioneText = FileConnectionString(args.at(1));
    if (args.first() == QLatin1String("--profilo")) {
        const std::optional<QString> profile = ProfileConnection(ui, args.at(1));
        if (!profile)
            return 1;
        origineText = FileConnectionString(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Abicab.mdb")));
        destinazioneText = *profile;
    }

    int linea = 0;
    auto origine = std::make_unique<Connection>();
    auto destinazione = std::make_unique<Connection>();
    ProgressReport progress(ui, linea);
    try {
        linea = 140;
        origine->open(origineText);
        linea = 250;
        destinazione->open(destinazioneText);
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
