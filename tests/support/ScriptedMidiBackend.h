#pragma once
// A MIDI backend that plays a scripted conversation with the instrument: each
// step is the message the port pair must send next, the replies the device
// gives to it (none: a dropped reply; several: extra pieces) and the driver
// result of the send. Any message that differs from the script fails the
// running test with a hex dump of both sides. Replies are delivered on the
// sending thread, before the send returns.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "MidiBackend.h"

class ScriptedMidiInput;

using Bytes = std::vector<std::uint8_t>;

//! "F0 7E 08 ..." for `bytes`.
std::string HexDump(const Bytes& bytes);

class ScriptedMidiBackend : public platform::MidiBackend {
public:
    struct Step {
        Bytes expected;
        std::vector<Bytes> replies;
        platform::MidiResult result;
    };
    struct SentMessage {
        Bytes bytes;
        std::chrono::steady_clock::time_point time;
    };

    ScriptedMidiBackend(unsigned outputs = 1, unsigned inputs = 1);

    //! Adds a step: `expected` must be sent next; `replies` answer it.
    void expect(Bytes expected, std::vector<Bytes> replies = {}, platform::MidiResult result = {});
    //! Steps not yet taken.
    std::size_t remainingSteps() const { return m_steps.size() - m_nextStep; }
    //! Every message sent, in order, with its time.
    const std::vector<SentMessage>& sent() const { return m_sent; }
    //! Open/close events, e.g. "open out 0", "close in 1".
    const std::vector<std::string>& events() const { return m_events; }

    //! Results of the next device opens and of starting the input.
    platform::MidiResult openOutputResult;
    platform::MidiResult openInputResult;
    platform::MidiResult startInputResult;
    //! Closes of an output answered kMidiStillPlaying, as with a send in
    //! flight, before one succeeds.
    unsigned busyOutputCloses = 0;
    //! The longest message the output carries whole (0: any).
    std::size_t longestOutputMessage = 0;
    //! Runs inside the input's stopDevice, i.e. while the port pair closes the input.
    std::function<void(ScriptedMidiInput&)> onInputStop;

    //! The open input, or nullptr.
    ScriptedMidiInput* input() const { return m_input; }

    std::string backendName() const override { return "scripted"; }
    std::vector<std::string> outputNames() override;
    std::vector<std::string> inputNames() override;
    platform::MidiResult openOutput(std::size_t index, std::unique_ptr<platform::MidiOutput>& port) override;
    platform::MidiResult openInput(std::size_t index, platform::MidiInCallback callback, void* instance,
                                   std::unique_ptr<platform::MidiInput>& port) override;

    //! Called by the output for every message.
    platform::MidiResult onSend(const std::uint8_t* message, std::size_t length);
    //! Called by the ports as they open and close.
    void record(std::string event) { m_events.push_back(std::move(event)); }
    void inputGone(ScriptedMidiInput* input);

private:
    unsigned m_outputs;
    unsigned m_inputs;
    std::vector<Step> m_steps;
    std::size_t m_nextStep = 0;
    std::vector<SentMessage> m_sent;
    std::vector<std::string> m_events;
    ScriptedMidiInput* m_input = nullptr;
};
