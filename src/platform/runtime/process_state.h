#pragma once

#include <sys/types.h>

// Whether the process `pid` has ended, as a file named after the process
// that writes it can tell: never for this process, and not for a process
// this user may not signal (it is still running).
bool ProcessEnded(pid_t pid);
