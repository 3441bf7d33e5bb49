#include "SimulatedMidiOutput.h"

#include <algorithm>

#include "PreciseSleep.h"
#include "SimulatedLink.h"

namespace platform {

SimulatedMidiOutput::SimulatedMidiOutput(std::shared_ptr<SimulatedLink> link) : m_link(std::move(link)) {}

SimulatedMidiOutput::~SimulatedMidiOutput()
{
    std::lock_guard lock(m_mutex);
    if (m_open)
        m_link->releaseOutput();
}

MidiResult SimulatedMidiOutput::sendSysEx(const std::uint8_t* message, std::size_t length)
{
    return sendInSteps(message, length);
}

MidiResult SimulatedMidiOutput::startSysEx(const std::uint8_t* message, std::size_t length)
{
    if (message == nullptr || length == 0)
        return MidiResult::failure(kMidiInvalidParam);
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return MidiResult::failure(kMidiInvalidHandle);
    Clock::time_point arrival;
    MidiResult result = m_link->start(message, length, arrival);
    if (result.ok())
        m_sentAt = arrival;
    return result;
}

MidiResult SimulatedMidiOutput::sendState()
{
    std::lock_guard lock(m_mutex);
    return Clock::now() < m_sentAt ? MidiResult::failure(kMidiStillPlaying) : MidiResult::success();
}

void SimulatedMidiOutput::waitSent(std::chrono::microseconds timeout)
{
    Clock::time_point sentAt;
    {
        std::lock_guard lock(m_mutex);
        sentAt = m_sentAt;
    }
    // To the moment itself: a wait rounded up to whole milliseconds would add
    // up to one to every message, as the next one starts only after it.
    SleepUntil(std::min(sentAt, Clock::now() + timeout));
}

MidiResult SimulatedMidiOutput::close()
{
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return MidiResult::failure(kMidiInvalidHandle);
    if (Clock::now() < m_sentAt)
        return MidiResult::failure(kMidiStillPlaying);
    m_open = false;
    m_link->releaseOutput();
    return MidiResult::success();
}

}  // namespace platform
