#pragma once

#include "update/database_access.h"

#include <cstdint>

// The release of the procedure database: rel_maior of the first row of its
// table release, 0 when the table has no row (lines 260 to 330; `linea`
// follows the steps). A Null or a text that is not a number fails at line 300.
std::int32_t LeggiRelease(Connection& destinazione, int& linea);

// The releases the update is provided for (line 340).
bool IsReleaseSupportata(std::int32_t release);

// What the user is told of any other release (line 390).
QString MessaggioReleaseNonSupportata(std::int32_t release);
