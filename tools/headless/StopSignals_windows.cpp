#include "StopSignals.h"

#include <windows.h>

#include <csignal>
#include <cstring>

#include "ShutdownBlocker.h"

namespace {

// Windows ends the process as soon as the handler of a console close
// returns, and after five seconds at the latest; after WM_ENDSESSION it may
// end it at any time. Both wait until the run has sent its end command and
// closed its ports, within that grace. (A console program that has loaded
// user32, as WinMM does, gets no logoff or shutdown event on its console:
// the session's end reaches it through the hidden window of the shutdown
// block, WM_ENDSESSION.)
constexpr DWORD kCloseGraceMs = 4500;

// Stop requests that are no signal: the hidden window's.
constexpr int kSessionEnd = 1000;
constexpr int kCloseRequest = 1001;

HANDLE g_finished = nullptr;  // set once the run's ports are closed

int SignalOf(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT: return SIGINT;
    case CTRL_BREAK_EVENT: return SIGBREAK;
    default: return SIGTERM;  // the console closes
    }
}

// Writes `text` to the standard error.
void Say(const char* text)
{
    DWORD written = 0;
    // Straight to the handle: the C runtime's stream may be locked by the run's thread.
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

// Ends the process without running anything more of it: exit, even _Exit,
// unloads the DLLs, and WinMM's unload can hang while the run's thread is
// inside one of its calls.
[[noreturn]] void EndAtOnce()
{
    Say(StopSignals::kEndedAtOnceText);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(StopSignals::ExitCode(StopSignals::Received())));
    for (;;)
        ::Sleep(INFINITE);  // TerminateProcess on this process does not come back
}

// Notes the request, and says so when it is the first.
bool NoteRequest(int signal)
{
    if (!StopSignals::Note(signal))
        return false;
    Say(StopSignals::kStoppingText);
    return true;
}

BOOL WINAPI noteConsoleEvent(DWORD event)
{
    // Runs on a thread of its own that the system starts for the event; the
    // run's thread carries the stop out.
    const bool keyed = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    // A second key ends at once; a close after a key still has its grace.
    if (!NoteRequest(SignalOf(event)) && keyed)
        EndAtOnce();
    if (keyed)
        return TRUE;
    if (::WaitForSingleObject(g_finished, kCloseGraceMs) == WAIT_OBJECT_0)
        for (;;)
            ::Sleep(INFINITE);  // returning would let Windows end the process with an exit code of its own
    return TRUE;
}

// The hidden window's thread: the session ends, or another program asks the updater to close.
void noteWindowRequest(bool sessionEnds)
{
    NoteRequest(sessionEnds ? kSessionEnd : kCloseRequest);
    if (sessionEnds)
        ::WaitForSingleObject(g_finished, kCloseGraceMs);
}

}  // namespace

StopSignals::StopSignals()
{
    g_finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(noteConsoleEvent, TRUE);
    platform::ShutdownBlocker::SetStopHandler(noteWindowRequest);
}

StopSignals::~StopSignals()
{
    Disarm();
    platform::ShutdownBlocker::SetStopHandler(nullptr);
    ::SetEvent(g_finished);
    ::SetConsoleCtrlHandler(noteConsoleEvent, FALSE);
}

void StopSignals::RunEnded() { ::SetEvent(g_finished); }

int StopSignals::ExitCode(int signal) { return signal == SIGINT ? 130 : 143; }

std::string StopSignals::Name(int signal)
{
    switch (signal) {
    case SIGINT: return "Ctrl-C";
    case SIGBREAK: return "Ctrl-Break";
    case kSessionEnd: return "session ended";
    case kCloseRequest: return "asked to close";
    default: return "console closed";
    }
}
