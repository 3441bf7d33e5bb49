#pragma once
#include <cstdint>
#include <string>

#include "MidiInput.h"

class ScriptedMidiBackend;

//! Input side of the scripted backend: the test pushes complete messages in.
class ScriptedMidiInput : public platform::MidiInput {
public:
    ScriptedMidiInput(ScriptedMidiBackend& backend, std::size_t index, platform::MidiInCallback callback,
                      void* instance);
    ~ScriptedMidiInput() override;

    //! Hands one complete message to the base class as the device would.
    void deliver(const std::uint8_t* message, std::size_t length) { deliverSysEx(message, length); }
    //! Reports that the device has gone away, as a backend's reader does.
    void fail(platform::MidiResult failure) { reportDeviceFailure(std::move(failure)); }

    bool stopped = false;

protected:
    platform::MidiResult startDevice() override;
    void stopDevice() override;

private:
    ScriptedMidiBackend& m_backend;
    std::string m_name;
};
