#include "TimedCall.h"

#include <emscripten.h>

// In EventLoop_web.js: runs vantrel_timed_call_run(call) `inMs` from now,
// replacing the run it had coming; cancels that run.
extern "C" void vantrel_timed_call_schedule(platform::TimedCall::State* call, double inMs);
extern "C" void vantrel_timed_call_cancel(platform::TimedCall::State* call);

namespace platform {

// A page has one thread: the task runs from the browser's event loop, in a
// task of its own, while the engine waits.
struct TimedCall::State {
    Task task;
    bool running = false;
    bool inTask = false;
    bool wokenInTask = false;  // what the task waits for changed while it ran
    bool destroyed = false;  // destroyed from its own task: freed once that returns

    void schedule(Clock::time_point when)
    {
        vantrel_timed_call_schedule(this, std::chrono::duration<double, std::milli>(when - Clock::now()).count());
    }
};

TimedCall::TimedCall(const char*, Task task) : m_state(std::make_unique<State>())
{
    m_state->task = std::move(task);
}

TimedCall::~TimedCall()
{
    stop();
    if (m_state->inTask) {
        m_state->destroyed = true;
        m_state.release();  // vantrel_timed_call_run frees it after the task
    }
}

bool TimedCall::start(std::string&)
{
    m_state->running = true;
    m_state->schedule(Clock::now());
    return true;
}

void TimedCall::wake()
{
    if (!m_state->running)
        return;
    if (m_state->inTask)
        m_state->wokenInTask = true;
    else
        m_state->schedule(Clock::now());
}

void TimedCall::stop()
{
    m_state->running = false;
    vantrel_timed_call_cancel(m_state.get());
}

}  // namespace platform

extern "C" EMSCRIPTEN_KEEPALIVE void vantrel_timed_call_run(platform::TimedCall::State* call)
{
    call->inTask = true;
    call->wokenInTask = false;
    const auto next = call->task();
    call->inTask = false;
    if (call->destroyed) {
        delete call;
        return;
    }
    if (call->running && call->wokenInTask)
        call->schedule(platform::TimedCall::Clock::now());
    else if (call->running && next)
        call->schedule(*next);
}
