#include "StopSignals.h"

#include <csignal>

#include "EventPump.h"

namespace {

volatile std::sig_atomic_t g_received = 0;
volatile std::sig_atomic_t g_armed = 0;
struct sigaction g_oldInterrupt {};
struct sigaction g_oldTerminate {};

extern "C" void noteSignal(int signal)
{
    // A second Ctrl-C finds the first one noted: nothing more to do.
    if (g_received == 0)
        g_received = signal;
}

bool throwingPump()
{
    if (g_armed != 0 && g_received != 0) {
        g_armed = 0;  // once: the end command and closing come after
        throw RunInterrupted{g_received};
    }
    return true;
}

}  // namespace

StopSignals::StopSignals()
{
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &g_oldInterrupt);
    sigaction(SIGTERM, &action, &g_oldTerminate);
}

StopSignals::~StopSignals()
{
    Disarm();
    sigaction(SIGINT, &g_oldInterrupt, nullptr);
    sigaction(SIGTERM, &g_oldTerminate, nullptr);
}

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

int StopSignals::ExitCode(int signal) { return 128 + signal; }

std::string StopSignals::Name(int signal) { return signal == SIGTERM ? "SIGTERM" : "SIGINT"; }
