#include "StopSignals.h"

#include <windows.h>

#include <csignal>
#include <cstring>

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

// Ends the process without running anything more of it: exit, even _Exit,
// unloads the DLLs, and WinMM's unload can hang while the run's thread is
// inside one of its calls.
void Say(const char* text)
{
    DWORD written = 0;
    // Straight to the handle: the C runtime's stream may be locked by the run's thread.
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

[[noreturn]] void EndAtOnce()
{
    Say(StopSignals::kEndedAtOnceText);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(StopSignals::ExitCode(StopSignals::Received())));
    for (;;)
        ::Sleep(INFINITE);  // TerminateProcess on this process does not come back
}

BOOL WINAPI noteConsoleEvent(DWORD event)
{
    // Runs on a thread of its own that the system starts for the event; the
    // run's thread carries the stop out.
    if (!StopSignals::Note(SignalOf(event)))
        EndAtOnce();
    Say(StopSignals::kStoppingText);
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
