#include "settings/profile_settings.h"

#include "platform/runtime/runtime_error.h"
#include "platform/runtime/variant.h"
#include "platform/wine_registry/per_user_settings.h"
#include "platform/wine_registry/wine_registry.h"
#include "settings/reg_functions.h"
#include "ui/error_report.h"

ProfileGlobals VarGlobali;

namespace {

const QString kModulo = QStringLiteral("Corabicab");
const QString kChiaveInstallazione = QStringLiteral("SOFTWARE\\KVR\\CORVANTA");

// The text value of a key below HKEY_LOCAL_MACHINE; empty when the key or a
// text value of that name is missing.
QString TestoDiSistema(const QString& percorso, const QString& nomeValore)
{
    QString testo;
    std::int32_t hChiave = 0;
    if (RegApriChiave(HKEY_LOCAL_MACHINE, percorso, hChiave)) {
        RegLeggiStringa(hChiave, nomeValore, testo);
        RegChiudiChiave(hChiave);
    }
    return testo;
}

}  // namespace

bool IsInstallazioneDiSistema()
{
    const QString interruttore = TestoDiSistema(kChiaveInstallazione, QStringLiteral("SystemInst"));
    return !interruttore.isEmpty() && RoundToLong(Val(interruttore)) == -1;
}

QString LeggiImpostazione(const QString& applicazione, const QString& sezione, const QString& chiave,
                          const QString& predefinito)
{
    if (!IsInstallazioneDiSistema())
        return GetSetting(applicazione, sezione, chiave, predefinito);
    const QString testo =
        TestoDiSistema(QStringLiteral("SOFTWARE\\KVR\\") + applicazione + QLatin1Char('\\') + sezione, chiave);
    return testo.isEmpty() ? predefinito : testo;
}

QString GetNomeArcProc(const QString& profilo)
{
    return LeggiImpostazione(QStringLiteral("Corvanta"), profilo, QStringLiteral("PrcName"), QStringLiteral("ARCPROC"))
        .toUpper();
}

QString GetPasswordArcProc(const QString& profilo)
{
    const QString suffisso = profilo.toUpper() == QLatin1String("CORVANTA") ? QString() : profilo;
    return LeggiImpostazione(QStringLiteral("TrueType"), QStringLiteral("Arial"), QStringLiteral("Style") + suffisso,
                             QString());
}

bool GetVarGlobali(UiServices& ui, const QString& profilo)
{
    const QString applicazione = QStringLiteral("CORVANTA");
    int linea = 10;
    try {
        linea = 30;
        VarGlobali.PrcSubDataType =
            LeggiImpostazione(applicazione, profilo, QStringLiteral("PrcSubDataType"), QStringLiteral("?"));
        linea = 40;
        VarGlobali.PrcAdoConnect = LeggiImpostazione(applicazione, profilo, QStringLiteral("PrcAdoConnect"), {});
        linea = 50;
        VarGlobali.PrcAdoProvider = LeggiImpostazione(applicazione, profilo, QStringLiteral("PrcAdoProvider"), {});
        linea = 60;
        VarGlobali.PrcExt = LeggiImpostazione(applicazione, profilo, QStringLiteral("PrcExt"), {});
        linea = 70;
        VarGlobali.PrcDir = LeggiImpostazione(applicazione, profilo, QStringLiteral("PrcDir"), {});
        linea = 80;
        VarGlobali.Server = LeggiImpostazione(applicazione, profilo, QStringLiteral("Server"), {});
        return true;
    } catch (const RuntimeError& errore) {
        ShowErrorReport(ui, kModulo, QStringLiteral("GetVarGlobali"), linea, errore);
        return false;
    }
}
