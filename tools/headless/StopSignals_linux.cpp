#include "StopSignals.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

struct sigaction g_oldInterrupt {};
struct sigaction g_oldTerminate {};

// Only async-signal-safe calls in here: write and _exit.
void say(const char* text) { [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, std::strlen(text)); }

extern "C" void noteSignal(int signal)
{
    if (StopSignals::Note(signal)) {
        say(StopSignals::kStoppingText);
        return;
    }
    say(StopSignals::kEndedAtOnceText);
    ::_exit(StopSignals::ExitCode(StopSignals::Received()));
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

void StopSignals::RunEnded() {}

int StopSignals::ExitCode(int signal) { return 128 + signal; }

std::string StopSignals::Name(int signal) { return signal == SIGTERM ? "SIGTERM" : "SIGINT"; }
