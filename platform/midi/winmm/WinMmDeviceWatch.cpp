#include "WinMmDeviceWatch.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace platform {

// What the watch's thread uses: it may outlive the watch when a look stalls.
struct WinMmDeviceWatch::State {
    State(std::shared_ptr<WinMmApi> api, bool output, Look look, std::function<void()> onGone)
        : api(std::move(api)), output(output), look(std::move(look)), onGone(std::move(onGone))
    {
    }
    ~State()
    {
        changes.reset();  // unregistered before the event it sets is closed
        ::CloseHandle(changed);
        ::CloseHandle(stop);
        ::CloseHandle(finished);
    }
    std::shared_ptr<WinMmApi> api;
    const bool output;
    Look look;
    HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE changed = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::shared_ptr<void> changes;  // the device-change registration, if the system gives one
    std::atomic<bool> gone{false};
    std::mutex owner;                    // held while onGone runs, and by the watch as it stops
    std::function<void()> onGone;        // cleared when the watch stops
};

WinMmDeviceWatch::WinMmDeviceWatch(std::shared_ptr<WinMmApi> api, bool output, Look look,
                                   std::function<void()> onGone)
    : m_state(std::make_shared<State>(std::move(api), output, std::move(look), std::move(onGone)))
{
    m_state->changes = m_state->api->watchDeviceChanges(m_state->changed);
    std::thread([state = m_state] { watch(state); }).detach();
}

WinMmDeviceWatch::~WinMmDeviceWatch()
{
    ::SetEvent(m_state->stop);
    ::WaitForSingleObject(m_state->finished, kStopLimitMs);
    const std::lock_guard owner(m_state->owner);
    m_state->onGone = nullptr;
}

bool WinMmDeviceWatch::gone() const { return m_state->gone; }

void WinMmDeviceWatch::watch(const std::shared_ptr<State>& state)
{
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    const auto count = [&] { return state->output ? state->api->midiOutGetNumDevs() : state->api->midiInGetNumDevs(); };
    // Unknown at first: the device may have gone between the open and this thread's start.
    UINT lastCount = ~0u;
    const HANDLE events[] = {state->stop, state->changed};
    for (;;) {
        const DWORD woken = ::WaitForMultipleObjects(2, events, FALSE, kLookIntervalMs);
        if (woken == WAIT_OBJECT_0)
            break;
        const UINT now = count();
        if (woken == WAIT_TIMEOUT && now == lastCount)
            continue;
        lastCount = now;
        if (!state->look()) {
            state->gone = true;
            const std::lock_guard owner(state->owner);
            if (state->onGone)
                state->onGone();
            break;
        }
        // However often Windows reports changes, one look a second at most.
        if (::WaitForSingleObject(state->stop, kLookIntervalMs) == WAIT_OBJECT_0)
            break;
    }
    ::SetEvent(state->finished);
}

}  // namespace platform
