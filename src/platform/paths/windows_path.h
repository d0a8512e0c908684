#pragma once

#include <QString>

// Where a path written by the Windows installation lies on this machine,
// found as Wine finds it:
// - "\" and "/" both separate the components; "." and ".." are resolved in
//   the text, never above the root;
// - "C:\Dati" goes through the prefix's dosdevices/c: link (c: is usually
//   ../drive_c, z: is /), the drive letter in either case;
// - "\\server\share\dir" goes through dosdevices/unc/server/share, and the
//   long forms "\\?\C:\..." and "\\?\UNC\server\share\..." are accepted;
// - a path that starts with a separator starts at the root of this machine
//   (the program's own folder arrives so, followed by "\Abicab.mdb");
// - any other path is relative to the current folder.
// Each component that does not exist with its exact case is looked up in its
// folder without regard to case. What cannot be found is kept as written, so
// that the answer is the path that was tried.
QString LinuxPathOf(const QString& windowsPath);
