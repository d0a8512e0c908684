#pragma once

#include <QString>

class UiServices;

// Makes `profilo` the current installation profile: loads its settings into
// VarGlobali, refuses a profile that holds no installation, asks before
// accepting a client installation and, once accepted, sets ProfiloCorrente
// and shows the name in the window's frame. Every refusal puts the settings
// loaded before back, so the profile selected before stays in effect.
// The name is used exactly as given, blanks and letter case included.
bool SelezionaProfilo(UiServices& ui, const QString& profilo);

// Asks the user for a profile name, proposing "Corvanta"; empty on Cancel.
QString ChiediNomeProfilo(UiServices& ui);
