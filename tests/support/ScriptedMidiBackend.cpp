#include "ScriptedMidiBackend.h"

#include <cstdio>
#include <gtest/gtest.h>

#include "ScriptedMidiInput.h"
#include "ScriptedMidiOutput.h"

std::string HexDump(const Bytes& bytes)
{
    std::string text;
    char hex[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(hex, sizeof hex, "%02X ", byte);
        text += hex;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

ScriptedMidiBackend::ScriptedMidiBackend(unsigned outputs, unsigned inputs) : m_outputs(outputs), m_inputs(inputs) {}

void ScriptedMidiBackend::expect(Bytes expected, std::vector<Bytes> replies, platform::MidiResult result)
{
    m_steps.push_back({std::move(expected), std::move(replies), std::move(result)});
}

std::vector<std::string> ScriptedMidiBackend::outputNames()
{
    std::vector<std::string> names;
    for (unsigned i = 0; i < m_outputs; ++i)
        names.push_back("Scripted out " + std::to_string(i));
    return names;
}

std::vector<std::string> ScriptedMidiBackend::inputNames()
{
    std::vector<std::string> names;
    for (unsigned i = 0; i < m_inputs; ++i)
        names.push_back("Scripted in " + std::to_string(i));
    return names;
}

platform::MidiResult ScriptedMidiBackend::openOutput(std::size_t index, std::unique_ptr<platform::MidiOutput>& port)
{
    if (!openOutputResult.ok())
        return openOutputResult;
    record("open out " + std::to_string(index));
    port = std::make_unique<ScriptedMidiOutput>(*this, index);
    return {};
}

platform::MidiResult ScriptedMidiBackend::openInput(std::size_t index, platform::MidiInCallback callback,
                                                    void* instance, std::unique_ptr<platform::MidiInput>& port)
{
    if (!openInputResult.ok())
        return openInputResult;
    record("open in " + std::to_string(index));
    auto input = std::make_unique<ScriptedMidiInput>(*this, index, callback, instance);
    m_input = input.get();
    port = std::move(input);
    return {};
}

void ScriptedMidiBackend::inputGone(ScriptedMidiInput* input)
{
    if (m_input == input)
        m_input = nullptr;
}

platform::MidiResult ScriptedMidiBackend::onSend(const std::uint8_t* message, std::size_t length)
{
    const Bytes actual(message, message + length);
    m_sent.push_back({actual, std::chrono::steady_clock::now()});
    if (m_nextStep >= m_steps.size()) {
        ADD_FAILURE() << "message #" << m_sent.size() << " after the end of the script\n  sent:     "
                      << HexDump(actual);
        return {};
    }
    const Step& step = m_steps[m_nextStep++];
    if (actual != step.expected) {
        ADD_FAILURE() << "message #" << m_sent.size() << " differs from the script\n  expected: "
                      << HexDump(step.expected) << "\n  sent:     " << HexDump(actual);
    }
    if (!step.result.ok())
        return step.result;
    for (const Bytes& reply : step.replies)
        if (m_input != nullptr)
            m_input->deliver(reply.data(), reply.size());
    return {};
}
