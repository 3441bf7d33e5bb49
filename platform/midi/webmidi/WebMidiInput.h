#pragma once
#include <string>

#include "MidiInput.h"
#include "SysExAssembler.h"

namespace platform {

//! A Web MIDI input. What the port receives comes from the page's
//! onmidimessage, by way of the worker's messages, as pieces of the byte
//! stream: one whole message per event in Chromium, pieces of one in other
//! browsers. They are put together here; a piece that went missing leaves a
//! message cut short or merged, which the protocol's checks refuse.
class WebMidiInput : public MidiInput {
public:
    //! Input port `id`, listed as `name`, opened already.
    WebMidiInput(MidiInCallback callback, void* instance, std::string id, std::string name);
    ~WebMidiInput() override;

    //! Bytes the port received.
    void receive(const std::uint8_t* bytes, std::size_t length);
    //! The port was disconnected: the input is gone for good.
    void disconnected();

protected:
    MidiResult startDevice() override;
    void stopDevice() override;

private:
    std::string m_id;
    std::string m_name;
    SysExAssembler m_assembler;
    bool m_receiving = false;
};

}  // namespace platform
