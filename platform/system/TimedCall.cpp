#include "TimedCall.h"

#include <atomic>
#include <system_error>
#include <thread>

#include "TimingThread.h"
#include "WakeSignal.h"

namespace platform {

namespace {
// How long an idle thread sleeps between looks; wake() and stop() end the sleep at once.
constexpr auto kIdleWait = std::chrono::seconds(1);
}  // namespace

struct TimedCall::State {
    const char* name;
    Task task;
    std::thread thread;
    WakeSignal wake;  // given by wake() and stop()
    std::atomic<bool> stopping{false};

    void run();
    bool onOwnThread() const { return thread.get_id() == std::this_thread::get_id(); }
};

void TimedCall::State::run()
{
    // The thread sleeps on a wake-up word, not a condition variable: on
    // Windows those wait in whole milliseconds, a loss on every round trip.
    SetUpTimingThread(name);
    for (;;) {
        const std::uint32_t seen = wake.generation();  // before the task: a wake() during it still counts
        if (stopping.load())
            return;
        const std::optional<Clock::time_point> next = task();
        if (stopping.load())
            return;
        const auto wait = next ? std::chrono::ceil<std::chrono::microseconds>(*next - Clock::now())
                               : std::chrono::microseconds(kIdleWait);
        if (wait > wait.zero())
            wake.waitFor(seen, wait);
    }
}

TimedCall::TimedCall(const char* name, Task task) : m_state(std::make_unique<State>())
{
    m_state->name = name;
    m_state->task = std::move(task);
}

TimedCall::~TimedCall()
{
    stop();
    if (m_state->thread.joinable())
        m_state->thread.detach();  // destroyed from its own task: nothing is left to wait for it
}

bool TimedCall::start(std::string& problem)
{
    State& state = *m_state;
    if (state.thread.joinable()) {
        if (state.onOwnThread()) {
            problem = "restarted from its own thread";
            return false;
        }
        state.thread.join();  // one told to stop from its own task may still be finishing
    }
    state.stopping = false;
    try {
        state.thread = std::thread(&State::run, &state);
    } catch (const std::system_error& error) {
        problem = std::string("no thread: ") + error.what();
        return false;
    }
    return true;
}

void TimedCall::wake() { m_state->wake.notify(); }

void TimedCall::stop()
{
    State& state = *m_state;
    state.stopping = true;
    state.wake.notify();
    // Stopped from its own task, the thread ends when the task returns; the
    // next start or the destructor collects it.
    if (state.thread.joinable() && !state.onOwnThread())
        state.thread.join();
}

}  // namespace platform
