#include "platform/runtime/process_state.h"

#include <unistd.h>
#include <cerrno>
#include <csignal>

bool ProcessEnded(pid_t pid)
{
    return pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}
