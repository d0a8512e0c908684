#pragma once

// For tests only: puts the open-keys table back in its state at the start
// of the process, absent.
void ResetChiaviAperteForTests();
