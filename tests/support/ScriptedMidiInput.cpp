#include "ScriptedMidiInput.h"

#include "ScriptedMidiBackend.h"

ScriptedMidiInput::ScriptedMidiInput(ScriptedMidiBackend& backend, std::size_t index,
                                     platform::MidiInCallback callback, void* instance)
    : MidiInput(callback, instance), m_backend(backend), m_name("in " + std::to_string(index))
{
}

ScriptedMidiInput::~ScriptedMidiInput()
{
    m_backend.record("destroy " + m_name);
    m_backend.inputGone(this);
}

platform::MidiResult ScriptedMidiInput::startDevice() { return m_backend.startInputResult; }

void ScriptedMidiInput::stopDevice()
{
    if (m_backend.onInputStop)
        m_backend.onInputStop(*this);
    stopped = true;
    m_backend.record("close " + m_name);
}
