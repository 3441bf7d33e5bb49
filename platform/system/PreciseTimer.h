#pragma once

namespace platform {

//! While one lives, the system's sleeps and timed waits keep to about a
//! millisecond, so the protocol's 1 ms polls and 10 ms steps mean what they
//! say. Linux does so anyway; Windows sleeps in steps of its system timer
//! (15.6 ms unless a program asks for less), which this raises to 1 ms for
//! the object's life only, as a finer timer costs power, and keeps raised
//! while the program's windows are hidden or minimized (Windows 11 would
//! otherwise drop the request then).
class PreciseTimer {
public:
    PreciseTimer();
    ~PreciseTimer();
    PreciseTimer(const PreciseTimer&) = delete;
    PreciseTimer& operator=(const PreciseTimer&) = delete;

private:
    //! Whether the timer was raised; where sleeps are precise already, unused.
    [[maybe_unused]] bool m_raised = false;
};

}  // namespace platform
