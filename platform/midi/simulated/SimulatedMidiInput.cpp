#include "SimulatedMidiInput.h"

#include "SimulatedLink.h"

namespace platform {

namespace {
// What the delivery thread is called in /proc, so a benchmark can tell its
// CPU time from the updater's own.
constexpr const char* kThreadName = "vantrel-sim-rx";
}  // namespace

SimulatedMidiInput::SimulatedMidiInput(MidiInCallback callback, void* instance, std::shared_ptr<SimulatedLink> link)
    : MidiInput(callback, instance), m_link(std::move(link)), m_delivery(kThreadName, [this] { return deliverDue(); })
{
}

SimulatedMidiInput::~SimulatedMidiInput() { stopDevice(); }

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
    m_delivery.wake();
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
    {
        std::lock_guard lock(m_mutex);
        if (m_running)
            return MidiResult::success();  // still running after a reset
    }
    // Unlocked: a delivery thread told to stop from its own callback may
    // still be finishing, in deliverDue, and start waits for it.
    if (std::string problem; !m_delivery.start(problem))
        return MidiResult::failure(kMidiNotReady, "Simulated instrument: no delivery: " + problem);
    std::lock_guard lock(m_mutex);
    m_running = true;
    return MidiResult::success();
}

void SimulatedMidiInput::stopDevice()
{
    m_link->releaseInput(this);  // no reply is handed over from now on
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_pending.clear();
    }
    m_delivery.stop();
}

std::optional<std::chrono::steady_clock::time_point> SimulatedMidiInput::deliverDue()
{
    // Replies are due at the moment their last byte is over the wire. One at
    // a time, with the lock let go for each: the callback may stop the input.
    for (;;) {
        std::unique_lock lock(m_mutex);
        if (!m_running || m_pending.empty())
            return std::nullopt;
        if (m_pending.front().due > std::chrono::steady_clock::now())
            return m_pending.front().due;
        std::vector<std::uint8_t> message = std::move(m_pending.front().message);
        m_pending.pop_front();
        lock.unlock();
        deliverSysEx(message.data(), message.size());
    }
}

}  // namespace platform
