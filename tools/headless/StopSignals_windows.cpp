#include "StopSignals.h"

#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// Windows ends the process as soon as the handler of a console close,
// logoff or shutdown returns, and after five seconds at the latest: the
// handler holds it until the run has sent its end command and closed its
// ports, within that grace.
constexpr DWORD kCloseGraceMs = 4500;

HANDLE g_finished = nullptr;  // set once the updater is done with the stop

int SignalOf(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT: return SIGINT;
    case CTRL_BREAK_EVENT: return SIGBREAK;
    default: return SIGTERM;  // the console closes, the user logs off, the system shuts down
    }
}

BOOL WINAPI noteConsoleEvent(DWORD event)
{
    // Runs on a thread of its own that the system starts for the event.
    if (!StopSignals::Note(SignalOf(event))) {
        std::fputs(StopSignals::kEndedAtOnceText, stderr);
        std::fflush(stderr);
        std::_Exit(StopSignals::ExitCode(StopSignals::Received()));
    }
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        ::WaitForSingleObject(g_finished, kCloseGraceMs);
    return TRUE;
}

}  // namespace

StopSignals::StopSignals()
{
    g_finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(noteConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    Disarm();
    ::SetEvent(g_finished);
    ::SetConsoleCtrlHandler(noteConsoleEvent, FALSE);
}

int StopSignals::ExitCode(int signal) { return signal == SIGINT ? 130 : 143; }

std::string StopSignals::Name(int signal)
{
    switch (signal) {
    case SIGINT: return "Ctrl-C";
    case SIGBREAK: return "Ctrl-Break";
    default: return "console closed";
    }
}
