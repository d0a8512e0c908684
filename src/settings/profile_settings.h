#pragma once

#include <QString>

class UiServices;

// The profile globals: what the update needs of the selected installation
// profile. All empty when the process starts; GetVarGlobali fills the first
// six, profile selection saves and restores them and sets ProfiloCorrente.
struct ProfileGlobals {
    QString PrcSubDataType;  // "?": the profile holds no installation; "(Nessuno)": a file database
    QString PrcAdoConnect;
    QString PrcAdoProvider;
    QString PrcExt;
    QString PrcDir;
    QString Server;  // "S" (in any case) for a server installation
    QString ProfiloCorrente;

    bool operator==(const ProfileGlobals&) const = default;
};

extern ProfileGlobals VarGlobali;

// A setting of an installation: with the system-installation switch on, the
// text value `chiave` of HKEY_LOCAL_MACHINE\SOFTWARE\KVR\<applicazione>\<sezione>,
// or `predefinito` when it is missing, not a text or empty; with the switch
// off, what the per-user settings store answers, an empty text included.
// The switch is read afresh for every call, and nothing is kept.
QString LeggiImpostazione(const QString& applicazione, const QString& sezione, const QString& chiave,
                          const QString& predefinito);

// The system-installation switch: the text value "SystemInst" of
// HKEY_LOCAL_MACHINE\SOFTWARE\KVR\CORVANTA, not empty, whose leading number
// rounds (half to even) to -1. A number beyond 32 bits is an overflow error.
bool IsInstallazioneDiSistema();

// The name of the profile's procedure database, upper-cased; "ARCPROC" by default.
QString GetNomeArcProc(const QString& profilo);

// The password of the profile's file-type procedure database, empty for none.
QString GetPasswordArcProc(const QString& profilo);

// Loads the profile's six settings into VarGlobali, each falling back to its
// default. An error is reported to the user with the number of the step
// that failed (30 to 80, one per field) and gives false; the fields read
// before it keep their new values, the others their old ones.
bool GetVarGlobali(UiServices& ui, const QString& profilo);
