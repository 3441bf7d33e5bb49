#include "PreciseTimer.h"

#include <windows.h>

#include <mmsystem.h>

namespace platform {
namespace {

constexpr UINT kPeriodMs = 1;

// Windows 11 ignores the request of a process whose windows are all hidden
// or minimized (timeBeginPeriod, Remarks): the headless updater's one window
// is hidden, and the window may be minimized during a run. Opted out here,
// the request holds; Windows 10 and Wine refuse the setting, and need none.
void honourTimerRequest(bool always)
{
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = always ? PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION : 0;
    state.StateMask = 0;  // with the bit controlled: never ignore
    ::SetProcessInformation(::GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state);
}

}  // namespace

PreciseTimer::PreciseTimer() : m_raised(::timeBeginPeriod(kPeriodMs) == TIMERR_NOERROR)
{
    if (m_raised)
        honourTimerRequest(true);
}

PreciseTimer::~PreciseTimer()
{
    if (!m_raised)
        return;
    honourTimerRequest(false);  // the system decides again
    ::timeEndPeriod(kPeriodMs);
}

}  // namespace platform
