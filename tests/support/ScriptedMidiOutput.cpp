#include "ScriptedMidiOutput.h"

#include "ScriptedMidiBackend.h"

ScriptedMidiOutput::ScriptedMidiOutput(ScriptedMidiBackend& backend, std::size_t index)
    : m_backend(backend), m_name("out " + std::to_string(index))
{
}

platform::MidiResult ScriptedMidiOutput::sendSysEx(const std::uint8_t* message, std::size_t length)
{
    if (m_closed)
        return platform::MidiResult::failure(platform::kMidiInvalidHandle);
    return m_backend.onSend(message, length);
}

std::size_t ScriptedMidiOutput::longestMessage() const { return m_backend.longestOutputMessage; }

platform::MidiResult ScriptedMidiOutput::close()
{
    if (m_closed)
        return platform::MidiResult::failure(platform::kMidiInvalidHandle);
    if (m_backend.busyOutputCloses > 0) {
        --m_backend.busyOutputCloses;
        m_backend.record("busy " + m_name);
        return platform::MidiResult::failure(platform::kMidiStillPlaying);
    }
    m_closed = true;
    m_backend.record("close " + m_name);
    return {};
}
