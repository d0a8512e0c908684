#pragma once

#include <QString>

// Writes the demo's Abicab.mdb (1,000 banks and `branches` branches) from a
// process of its own. Written by the benchmark itself, the rows would leave
// its process large, and every reader process the tool forks from it would
// start by copying that size: a cost the real program, which holds no such
// rows, does not pay. False when the file could not be written.
bool WriteDemoSource(const QString& path, int branches);
