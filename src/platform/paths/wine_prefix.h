#pragma once

#include <QString>

// The Wine prefix that stands for the Windows installation: the folder that
// WINEPREFIX names, ~/.wine when it is unset or empty. Its registry files
// hold the settings, its dosdevices folder the drive letters.
QString WinePrefixPath();
