#pragma once

#include <QString>

// The platform's per-user application settings store, read operation only:
// the text stored for (application, section, key), or defaultText when the
// store holds no such setting. Names are compared without regard to letter
// case. The settings lie in the registry, under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>,
// value <key>, and are read through the ANSI calls like every other registry
// read of the system. The store keeps texts only: a value there of another
// type counts as no setting and gives the default. An empty stored text is a
// setting and is given as it is.
QString GetSetting(const QString& application, const QString& section, const QString& key, const QString& defaultText);
