#include "platform/database/engine_waits.h"

#include <QtGlobal>
#include <algorithm>

int WaitSeconds(EngineWait wait)
{
    int seconds = 0;
    switch (wait) {
        case EngineWait::LocalLock: seconds = 5; break;
        case EngineWait::ServerLock: seconds = 10; break;
        case EngineWait::Connect: seconds = 5; break;
        case EngineWait::Answer: return 3 * WaitSeconds(EngineWait::ServerLock);
    }
    static const int cap = qEnvironmentVariableIntValue("CORVANTA_ATTESA_MASSIMA");
    return cap > 0 ? std::min(seconds, cap) : seconds;
}
