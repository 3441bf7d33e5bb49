#pragma once
#include <sys/resource.h>
#include <sys/types.h>

#include <string>
#include <vector>

//! Another program run by this one (a JACK server for a test, the updater in
//! a benchmark): started with extra environment and its output in a file,
//! goes down with this process even when that is killed, and is reaped with
//! its resource usage.
class ChildProcess {
public:
    //! Outcome of a finished program.
    struct Result {
        int exitCode = -1;  //!< -1 when it ended by a signal
        rusage usage{};     //!< its CPU time and peak memory
    };

    ChildProcess() = default;
    //! Stops the program if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    //! Starts `argv` (argv[0] looked up on PATH) with `environment` entries
    //! ("NAME=value") added or replacing this process's own, stdout and
    //! stderr going to `logPath`. Returns once the program runs (its exec
    //! done); false when it could not be started.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& logPath);
    //! True while the program runs.
    bool Running();
    //! Its process id while it runs or waits to be reaped, else -1.
    pid_t Pid() const { return m_pid; }
    //! Waits for the program to end.
    Result Wait();
    //! Ends the program (TERM, then KILL after kStopTimeoutMs) and reaps it.
    void Stop();

    static constexpr int kStopTimeoutMs = 3000;

private:
    bool ReapWithin(int timeoutMs);

    pid_t m_pid = -1;
};
