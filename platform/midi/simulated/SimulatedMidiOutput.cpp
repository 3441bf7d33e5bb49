#include "SimulatedMidiOutput.h"

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
    if (message == nullptr || length == 0)
        return MidiResult::failure(kMidiInvalidParam);
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return MidiResult::failure(kMidiInvalidHandle);
        ++m_sendsInFlight;
    }
    MidiResult result = m_link->send(message, length);
    std::lock_guard lock(m_mutex);
    --m_sendsInFlight;
    return result;
}

MidiResult SimulatedMidiOutput::close()
{
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return MidiResult::failure(kMidiInvalidHandle);
    if (m_sendsInFlight > 0)
        return MidiResult::failure(kMidiStillPlaying);
    m_open = false;
    m_link->releaseOutput();
    return MidiResult::success();
}

}  // namespace platform
