#include "SimulatedMidiInput.h"

#include <system_error>

#include "SimulatedLink.h"
#include "TimingThread.h"

namespace platform {

namespace {

// What the thread is called in /proc, so a benchmark can tell its CPU time
// from the updater's own.
constexpr const char* kThreadName = "vantrel-sim-rx";
// How long the idle thread sleeps between looks; a reply or a stop wakes it at once.
constexpr auto kIdleWait = std::chrono::seconds(1);

}  // namespace

SimulatedMidiInput::SimulatedMidiInput(MidiInCallback callback, void* instance, std::shared_ptr<SimulatedLink> link)
    : MidiInput(callback, instance), m_link(std::move(link))
{
}

SimulatedMidiInput::~SimulatedMidiInput()
{
    stopDevice();
    if (m_thread.joinable())
        m_thread.detach();  // destroyed from its own callback: nothing is left to wait for it
}

void SimulatedMidiInput::enqueueReply(std::vector<std::uint8_t> message, std::chrono::steady_clock::time_point due)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return;
        m_pending.push_back({std::move(message), due});
    }
    // Outside the lock, or the woken thread runs into it at once: on Windows
    // a contended mutex is a trip through the kernel, one more per round trip.
    m_wake.notify();
}

void SimulatedMidiInput::discardPending()
{
    std::lock_guard lock(m_mutex);
    m_pending.clear();
}

MidiResult SimulatedMidiInput::startDevice()
{
    MidiResult claimed = m_link->claimInput(this);
    if (!claimed.ok())
        return claimed;
    std::unique_lock lock(m_mutex);
    if (m_running)
        return MidiResult::success();  // still running after a reset
    if (m_thread.joinable()) {
        lock.unlock();
        joinDeliveryThread();  // one told to stop from its own callback may still be finishing
        lock.lock();
        if (m_thread.joinable())
            return MidiResult::failure(kMidiNotReady, "Simulated instrument: input restarted from its own callback");
    }
    m_stopping = false;
    try {
        m_thread = std::thread(&SimulatedMidiInput::deliveryLoop, this);
    } catch (const std::system_error& error) {
        return MidiResult::failure(kMidiNoMemory, std::string("Simulated instrument: no delivery thread: ") + error.what());
    }
    m_running = true;
    return MidiResult::success();
}

void SimulatedMidiInput::stopDevice()
{
    m_link->releaseInput(this);  // no reply is handed over from now on
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_stopping = true;
        m_pending.clear();
    }
    m_wake.notify();
    joinDeliveryThread();
}

void SimulatedMidiInput::deliveryLoop()
{
    // Replies are due at the moment their last byte is over the wire. The
    // thread sleeps on a wake-up word, not a condition variable: on Windows
    // those wait in whole milliseconds, a loss on every round trip.
    SetUpTimingThread(kThreadName);
    for (;;) {
        const std::uint32_t seen = m_wake.generation();  // before the look: a reply queued after it still wakes
        std::unique_lock lock(m_mutex);
        if (m_stopping)
            return;
        if (const std::chrono::microseconds wait = untilFirstDue(); wait > wait.zero()) {
            lock.unlock();
            m_wake.waitFor(seen, wait);
            continue;
        }
        std::vector<std::uint8_t> message = std::move(m_pending.front().message);
        m_pending.pop_front();
        lock.unlock();
        deliverSysEx(message.data(), message.size());
    }
}

std::chrono::microseconds SimulatedMidiInput::untilFirstDue() const
{
    if (m_pending.empty())
        return kIdleWait;
    return std::chrono::ceil<std::chrono::microseconds>(m_pending.front().due - std::chrono::steady_clock::now());
}

void SimulatedMidiInput::joinDeliveryThread()
{
    // Stopped from its own callback, the thread ends when the callback returns;
    // the next start or the destructor collects it.
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

}  // namespace platform
