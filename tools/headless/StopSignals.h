#pragma once
#include <string>

//! Thrown out of the event pump when SIGINT or SIGTERM asked the run to
//! stop: the message in flight has gone out whole, nothing more is sent but
//! the end command.
struct RunInterrupted {
    int signal = 0;
};

//! Ctrl-C and SIGTERM for the headless updater: the handler only notes the
//! signal; while armed, the next pass through the event pump (between two
//! messages, or in a wait for a reply) throws RunInterrupted once.
class StopSignals {
public:
    //! Installs the handlers for SIGINT and SIGTERM; the destructor restores the old ones.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    //! From now on the event pump throws RunInterrupted for a noted signal.
    void Arm();
    //! The pump stops throwing (the end command and closing must go through).
    void Disarm();
    //! The signal noted so far, 0 for none.
    static int Received();

    //! The exit code for a run stopped by `signal`: 128 + its number (130, 143).
    static int ExitCode(int signal);
    //! "SIGINT" or "SIGTERM".
    static std::string Name(int signal);
};
