#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

//! A task that runs in the background whenever it is due, as a driver's
//! thread delivers what comes in: on a thread of its own on Linux and
//! Windows; in a page, which has one thread only, from the browser's event
//! loop while the program's own code waits. The task does what is due and
//! says when it is due next; wake() makes it look again at once.
class TimedCall {
public:
    using Clock = std::chrono::steady_clock;
    //! Does what is due now; returns when to run next, or nothing to wait for wake().
    using Task = std::function<std::optional<Clock::time_point>()>;

    //! `name` names the thread where there is one (debuggers, process lists).
    TimedCall(const char* name, Task task);
    //! Stops the runs. Destroyed from its own task, it lets that run finish.
    ~TimedCall();
    TimedCall(const TimedCall&) = delete;
    TimedCall& operator=(const TimedCall&) = delete;

    //! Starts the runs (the first at once); false, with the reason in
    //! `problem`, when they cannot start.
    bool start(std::string& problem);
    //! Runs the task again at once: what it waits for has changed.
    void wake();
    //! Ends the runs: when it returns, the task is not running and will not
    //! run again until the next start. Called from the task itself, the
    //! current run finishes first.
    void stop();

    //! What the system runs the task with: a thread, or the browser's timers.
    struct State;

private:
    std::unique_ptr<State> m_state;
};

}  // namespace platform
