#include "WebMidiOutput.h"

#include <algorithm>

#include "PreciseSleep.h"
#include "WebMidiPorts.h"
#include "WireTime.h"

namespace platform {

namespace {
constexpr auto kOutput = WebMidiPorts::Kind::Output;
}  // namespace

WebMidiOutput::WebMidiOutput(std::string id, std::string name) : m_id(std::move(id)), m_name(std::move(name)) {}

WebMidiOutput::~WebMidiOutput()
{
    if (m_open)
        WebMidiPorts::Close(kOutput, m_id);
}

MidiResult WebMidiOutput::sendSysEx(const std::uint8_t* message, std::size_t length)
{
    return sendInSteps(message, length);
}

MidiResult WebMidiOutput::startSysEx(const std::uint8_t* message, std::size_t length)
{
    if (message == nullptr || length == 0)
        return MidiResult::failure(kMidiInvalidParam);
    if (!m_open)
        return MidiResult::failure(kMidiInvalidHandle);
    if (MidiResult present = presence(); !present.ok())
        return present;
    // Whole, in one send: the browser copies the bytes at once.
    const Clock::time_point start = std::max(Clock::now(), m_sentAt);
    WebMidiPorts::Send(m_id, message, length,
                       std::chrono::duration<double, std::milli>(start - Clock::now()).count());
    m_sentAt = start + WireTime(length, WebMidiPorts::BytesPerSecond());
    return MidiResult::success();
}

MidiResult WebMidiOutput::sendState()
{
    if (!m_open)
        return MidiResult::failure(kMidiInvalidHandle);
    if (MidiResult present = presence(); !present.ok())
        return present;
    return Clock::now() < m_sentAt ? MidiResult::failure(kMidiStillPlaying) : MidiResult::success();
}

void WebMidiOutput::waitSent(std::chrono::microseconds timeout)
{
    SleepUntil(std::min(m_sentAt, Clock::now() + timeout));
}

MidiResult WebMidiOutput::close()
{
    if (!m_open)
        return MidiResult::failure(kMidiInvalidHandle);
    if (Clock::now() < m_sentAt && presence().ok())
        return MidiResult::failure(kMidiStillPlaying);
    m_open = false;
    WebMidiPorts::Close(kOutput, m_id);
    return MidiResult::success();
}

MidiResult WebMidiOutput::presence() const
{
    if (WebMidiPorts::Connected(kOutput, m_id))
        return MidiResult::success();
    return MidiResult::failure(kMidiNoDevice, "\"" + m_name + "\" is no longer connected");
}

}  // namespace platform
