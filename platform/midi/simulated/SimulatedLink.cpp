#include "SimulatedLink.h"

#include "SimulatedMidiInput.h"
#include "WireTime.h"

namespace platform {

SimulatedLink::SimulatedLink(SimulatedInstrument::Config config) : m_instrument(std::move(config)) {}

MidiResult SimulatedLink::start(const std::uint8_t* message, std::size_t length,
                                std::chrono::steady_clock::time_point& arrival)
{
    std::lock_guard lock(m_mutex);
    SimulatedInstrument::Transfer transfer = m_instrument.transfer(message, length);
    if (transfer.link == SimulatedInstrument::LinkState::Stalled) {
        arrival = std::chrono::steady_clock::time_point::max();  // on the wire while the program runs
        return MidiResult::success();
    }
    if (transfer.link != SimulatedInstrument::LinkState::Delivered) {
        if (transfer.link == SimulatedInstrument::LinkState::Vanished && m_input != nullptr)
            m_input->discardPending();  // a vanished device sends nothing more
        return failureFor(transfer.link);
    }
    const std::uint32_t bytesPerSecond = m_instrument.config().linkBytesPerSecond;
    arrival = std::chrono::steady_clock::now() + WireTime(length, bytesPerSecond);
    record(message, length, arrival);
    if (m_input == nullptr)
        return MidiResult::success();  // replies with nobody listening are lost, as on a cable
    auto due = arrival + std::chrono::milliseconds(m_instrument.config().replyLatencyMs);
    for (auto& reply : transfer.replies) {
        due += WireTime(reply.size(), bytesPerSecond);
        m_input->enqueueReply(std::move(reply), due);
    }
    return MidiResult::success();
}

bool SimulatedLink::isPresent() const
{
    std::lock_guard lock(m_mutex);
    return !m_instrument.vanished();
}

MidiResult SimulatedLink::claimOutput()
{
    std::lock_guard lock(m_mutex);
    if (m_instrument.vanished())
        return failureFor(SimulatedInstrument::LinkState::Vanished);
    if (m_outputOpen)
        return MidiResult::failure(kMidiAllocated);
    m_outputOpen = true;
    return MidiResult::success();
}

void SimulatedLink::releaseOutput()
{
    std::lock_guard lock(m_mutex);
    m_outputOpen = false;
}

MidiResult SimulatedLink::claimInput(SimulatedMidiInput* input)
{
    std::lock_guard lock(m_mutex);
    if (m_instrument.vanished())
        return failureFor(SimulatedInstrument::LinkState::Vanished);
    if (m_input != nullptr && m_input != input)
        return MidiResult::failure(kMidiAllocated);
    m_input = input;
    return MidiResult::success();
}

void SimulatedLink::releaseInput(SimulatedMidiInput* input)
{
    std::lock_guard lock(m_mutex);
    if (m_input == input)
        m_input = nullptr;
}

std::vector<RecordedMidiMessage> SimulatedLink::recordedMessages() const
{
    std::lock_guard lock(m_mutex);
    return {m_recorded.begin(), m_recorded.end()};
}

void SimulatedLink::clearRecordedMessages()
{
    std::lock_guard lock(m_mutex);
    m_recorded.clear();
    m_recordedBytes = 0;
}

void SimulatedLink::record(const std::uint8_t* message, std::size_t length, std::chrono::steady_clock::time_point arrived)
{
    m_recorded.push_back({std::vector<std::uint8_t>(message, message + length), arrived});
    m_recordedBytes += length + kRecordOverheadBytes;
    while (m_recordedBytes > kMaxRecordedBytes && m_recorded.size() > 1) {
        m_recordedBytes -= m_recorded.front().bytes.size() + kRecordOverheadBytes;
        m_recorded.pop_front();
    }
}

MidiResult SimulatedLink::failureFor(SimulatedInstrument::LinkState state) const
{
    if (state == SimulatedInstrument::LinkState::Vanished)
        return MidiResult::failure(kMidiNoDevice, "Simulated instrument: the device was disconnected");
    return MidiResult::failure(kMidiError, "Simulated instrument: the message could not be sent (injected send error)");
}

}  // namespace platform
