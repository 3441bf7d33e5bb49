#include "StopSignals.h"

#include <csignal>

#include "EventPump.h"

namespace {

volatile std::sig_atomic_t g_received = 0;
volatile std::sig_atomic_t g_armed = 0;

bool throwingPump()
{
    if (g_armed != 0 && g_received != 0) {
        g_armed = 0;  // once: the end command and closing come after
        throw RunInterrupted{g_received};
    }
    return true;
}

}  // namespace

const char* const StopSignals::kEndedAtOnceText =
    "vantrel-update: stopped at once by a second request; the end command may not have gone out, and the "
    "instrument may hold incomplete firmware. Run the update again.\n";

void StopSignals::Arm()
{
    g_armed = 1;
    platform::SetPumpHook(&throwingPump);
}

void StopSignals::Disarm()
{
    g_armed = 0;
    platform::SetPumpHook(nullptr);
}

int StopSignals::Received() { return g_received; }

bool StopSignals::Note(int signal)
{
    if (g_received != 0)
        return false;
    g_received = signal;
    return true;
}
