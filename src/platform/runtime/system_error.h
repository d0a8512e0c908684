#pragma once

#include <QString>

class QIODevice;

// What an operating-system error (an errno value) means, in Italian, with
// the system's own text after it in brackets, since that text is English
// in the C locale: "spazio esaurito sul disco (No space left on device)".
QString DescrizioneErroreDiSistema(int numero);

// The same for the operation on a file (or any device) that has just failed: call it right
// after the failed call, while errno still holds the system's reason. A
// failure that was Qt's own finding, not the system's, keeps Qt's text in
// brackets after a general description.
QString DescrizioneErroreFile(const QIODevice& file);
