#pragma once
#include <string>

#include "MidiOutput.h"

class ScriptedMidiBackend;

//! Output side of the scripted backend: every message goes to the script.
class ScriptedMidiOutput : public platform::MidiOutput {
public:
    ScriptedMidiOutput(ScriptedMidiBackend& backend, std::size_t index);

    platform::MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) override;
    platform::MidiResult close() override;
    std::size_t longestMessage() const override;

private:
    ScriptedMidiBackend& m_backend;
    std::string m_name;
    bool m_closed = false;
};
