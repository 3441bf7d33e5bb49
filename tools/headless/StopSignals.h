#pragma once
#include <string>

//! Thrown out of the event pump when a stop was asked for: the message in
//! flight has gone out whole, nothing more is sent but the end command.
struct RunInterrupted {
    int signal = 0;
};

//! Stop requests for the headless updater: Ctrl-C and SIGTERM on Linux;
//! Ctrl-C, Ctrl-Break, closing the console window, the end of the session
//! and another program's close request (the last two through the shutdown
//! block's hidden window) on Windows. The handler
//! only notes the first request in an atomic flag, says so on the standard
//! error (kStoppingText) and wakes a wait for a reply; while armed, the next pass through the event
//! pump (between two messages, or in a wait for a reply) throws
//! RunInterrupted once. A second request while the first is being carried out
//! ends the program at once, saying that the end command may not have gone
//! out (on Windows only a second Ctrl-C or Ctrl-Break: a close or the
//! session's end waits its grace for the run).
class StopSignals {
public:
    //! Installs the handlers; the destructor restores the old ones.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    //! From now on the event pump throws RunInterrupted for a noted request.
    void Arm();
    //! The pump stops throwing (the end command and closing must go through).
    void Disarm();
    //! The end command has gone out and the ports are closed: on Windows, a
    //! handler holding the process for the run lets it go.
    void RunEnded();
    //! The request noted so far as a signal number (SIGINT, SIGTERM, ...), 0 for none.
    static int Received();

    //! The exit code for a run stopped by `signal`: 130 for Ctrl-C, 143 for the others.
    static int ExitCode(int signal);
    //! What asked for the stop, as a person knows it ("SIGINT", "Ctrl-Break", ...).
    static std::string Name(int signal);

    //! For the system's handler: notes `signal`. False when a request was
    //! noted before, the handler's cue to end at once.
    static bool Note(int signal);
    //! The line printed at once when the first request is noted.
    static const char* const kStoppingText;
    //! The line printed when a second request ends the program at once.
    static const char* const kEndedAtOnceText;
};
