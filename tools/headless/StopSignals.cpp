#include "StopSignals.h"

#include <atomic>

#include "EventPump.h"
#include "MidiReply.h"

namespace {

// Set by a signal handler on Linux and by the console's own thread on
// Windows, read by the run's thread: atomics that need no lock, which a
// signal handler may touch.
std::atomic<int> g_received{0};
std::atomic<bool> g_armed{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

bool throwingPump()
{
    const int received = g_received.load();
    // Once: the end command and closing come after.
    if (received != 0 && g_armed.exchange(false))
        throw RunInterrupted{received};
    return true;
}

}  // namespace

const char* const StopSignals::kStoppingText =
    "vantrel-update: stopping once the message on its way has gone out; the end command still goes out. A second "
    "request ends the program at once.\n";

const char* const StopSignals::kEndedAtOnceText =
    "vantrel-update: stopped at once by a second request; the end command may not have gone out, and the "
    "instrument may hold incomplete firmware. Run the update again.\n";

void StopSignals::Arm()
{
    g_armed = true;
    platform::SetPumpHook(&throwingPump);
}

void StopSignals::Disarm()
{
    g_armed = false;
    platform::SetPumpHook(nullptr);
}

int StopSignals::Received() { return g_received; }

bool StopSignals::Note(int signal)
{
    int none = 0;
    if (!g_received.compare_exchange_strong(none, signal))
        return false;
    // A wait for a reply ends now rather than at the end of its poll, and the
    // pump after it sees the request. Lock-free and a single system call, so a
    // signal handler may give it.
    g_replySignal.notify();
    return true;
}
