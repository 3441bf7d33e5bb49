#include "TimingThread.h"

#include <pthread.h>
#include <sys/prctl.h>

namespace platform {

void SetUpTimingThread(const char* name)
{
    constexpr unsigned long kTimerSlackNs = 1;
    prctl(PR_SET_TIMERSLACK, kTimerSlackNs);
    pthread_setname_np(pthread_self(), name);
}

}  // namespace platform
