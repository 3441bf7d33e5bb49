#include "WebMidiInput.h"

#include <emscripten.h>

#include "WebMidiPorts.h"

namespace platform {

WebMidiInput::WebMidiInput(MidiInCallback callback, void* instance, std::string id, std::string name)
    : MidiInput(callback, instance), m_id(std::move(id)), m_name(std::move(name))
{
    WebMidiPorts::Listen(m_id, this);
}

WebMidiInput::~WebMidiInput()
{
    stopDevice();
    WebMidiPorts::Listen(m_id, nullptr);
    WebMidiPorts::Close(WebMidiPorts::Kind::Input, m_id);
}

void WebMidiInput::receive(const std::uint8_t* bytes, std::size_t length)
{
    if (!m_receiving)
        return;
    m_assembler.feed(bytes, length, [this](const std::uint8_t* message, std::size_t size) { deliverSysEx(message, size); });
}

void WebMidiInput::disconnected()
{
    reportDeviceFailure(MidiResult::failure(kMidiNoDevice, "\"" + m_name + "\" is no longer connected"));
}

MidiResult WebMidiInput::startDevice()
{
    if (!WebMidiPorts::Connected(WebMidiPorts::Kind::Input, m_id))
        return MidiResult::failure(kMidiNoDevice, "\"" + m_name + "\" is no longer connected");
    m_receiving = true;
    return MidiResult::success();
}

void WebMidiInput::stopDevice()
{
    m_receiving = false;
    m_assembler.reset();  // a message cut off by the stop must not join the next one
}

}  // namespace platform

// Called by WebMidi.js with what an input port received, and when it was disconnected.
extern "C" EMSCRIPTEN_KEEPALIVE void vantrel_webmidi_receive(platform::WebMidiInput* input, const std::uint8_t* bytes,
                                                            std::size_t length)
{
    input->receive(bytes, length);
}

extern "C" EMSCRIPTEN_KEEPALIVE void vantrel_webmidi_disconnected(platform::WebMidiInput* input)
{
    input->disconnected();
}
