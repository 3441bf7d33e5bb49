#include "PreciseTimer.h"

#include <windows.h>

#include <mmsystem.h>

namespace platform {
namespace {
constexpr UINT kPeriodMs = 1;
}

PreciseTimer::PreciseTimer() : m_raised(::timeBeginPeriod(kPeriodMs) == TIMERR_NOERROR) {}

PreciseTimer::~PreciseTimer()
{
    if (m_raised)
        ::timeEndPeriod(kPeriodMs);
}

}  // namespace platform
