#include "PreciseSleep.h"

// In EventLoop_web.js: gives the browser's event loop the thread (Asyncify)
// for `ms`, ending as close after it as message tasks allow.
extern "C" void vantrel_sleep(double ms);

namespace platform {

void SleepUntil(std::chrono::steady_clock::time_point deadline)
{
    for (auto left = deadline - std::chrono::steady_clock::now(); left > left.zero();
         left = deadline - std::chrono::steady_clock::now())
        vantrel_sleep(std::chrono::duration<double, std::milli>(left).count());
}

}  // namespace platform
