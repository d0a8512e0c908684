#include "settings/profile_selection.h"

#include "platform/runtime/runtime_error.h"
#include "settings/profile_settings.h"
#include "ui/error_report.h"
#include "ui/ui_services.h"

#include <new>

namespace {

// The six settings GetVarGlobali loads, kept aside while a candidate is checked.
struct CopiaImpostazioni {
    QString PrcSubDataType;
    QString PrcAdoConnect;
    QString PrcAdoProvider;
    QString PrcExt;
    QString PrcDir;
    QString Server;
};

// Copies the six settings one per step, the steps numbered from `primaLinea`:
// the copies taken before a check, and put back after a refusal.
template <typename Da, typename A>
void CopiaSei(const Da& da, A& a, int& linea, int primaLinea)
{
    linea = primaLinea;
    a.PrcSubDataType = da.PrcSubDataType;
    linea = primaLinea + 10;
    a.PrcAdoConnect = da.PrcAdoConnect;
    linea = primaLinea + 20;
    a.PrcAdoProvider = da.PrcAdoProvider;
    linea = primaLinea + 30;
    a.PrcExt = da.PrcExt;
    linea = primaLinea + 40;
    a.PrcDir = da.PrcDir;
    linea = primaLinea + 50;
    a.Server = da.Server;
}

QString MessaggioNessunaInstallazione(bool diSistema, const QString& profilo)
{
    const QString luogo = diSistema
        ? QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Kvr\\Corvanta")
        : QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvanta");
    return QStringLiteral("Nessuna installazione di Corvanta/Corvanta NET rilevata nel profilo '") + luogo
        + QLatin1Char('\\') + profilo + QStringLiteral("'.");
}

QString DomandaClientNonServer(const QString& profilo)
{
    return QStringLiteral("L'installazione di Corvanta/Corvanta NET, nel profilo '") + profilo.toUpper()
        + QStringLiteral("', su questa macchina risulta essere di tipo Client e non Server, procedere ugualmente?");
}

}  // namespace

bool SelezionaProfilo(UiServices& ui, const QString& profilo)
{
    int linea = 10;
    bool result = false;
    try {
        linea = 20;
        result = false;
        linea = 30;
        if (profilo.isEmpty())
            return result;

        CopiaImpostazioni copia;
        CopiaSei(VarGlobali, copia, linea, 60);

        linea = 120;
        if (!GetVarGlobali(ui, profilo)) {
            CopiaSei(copia, VarGlobali, linea, 130);
            return result;
        }

        linea = 210;
        if (VarGlobali.PrcSubDataType == QLatin1String("?")) {
            linea = 220;
            const bool diSistema = IsInstallazioneDiSistema();
            linea = diSistema ? 230 : 250;
            ui.messageBox(MessaggioNessunaInstallazione(diSistema, profilo), MsgIcon::Exclamation, MsgButtons::Ok,
                          MsgDefault::First, kTitoloMessaggi);
            CopiaSei(copia, VarGlobali, linea, 270);
            return result;
        }

        linea = 350;
        if (VarGlobali.Server.toUpper() != QLatin1String("S")) {
            linea = 360;
            if (ui.messageBox(DomandaClientNonServer(profilo), MsgIcon::Question, MsgButtons::YesNo, MsgDefault::Second,
                              kTitoloMessaggi)
                == MsgAnswer::No) {
                CopiaSei(copia, VarGlobali, linea, 370);
                return result;
            }
        }

        linea = 460;
        VarGlobali.ProfiloCorrente = profilo;
        linea = 470;
        ui.setCaption(Control::Frame1,
                      QStringLiteral("Aggiornamento installazione profilo: ") + VarGlobali.ProfiloCorrente.toUpper());
        linea = 480;
        result = true;
    } catch (const RuntimeError& error) {
        ShowErrorReport(ui, QStringLiteral("fmAgab"), QStringLiteral("SelezionaProfilo"), linea, error);
    } catch (const std::bad_alloc&) {
        ShowErrorReport(ui, QStringLiteral("fmAgab"), QStringLiteral("SelezionaProfilo"), linea,
                        RuntimeError::outOfMemory());
    }
    return result;
}

QString ChiediNomeProfilo(UiServices& ui)
{
    return ui.inputBox(QStringLiteral("Inserire il nome del profilo in cui è intallato Corvanta NET:"), kTitoloMessaggi,
                       QStringLiteral("Corvanta"));
}
