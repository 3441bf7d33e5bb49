#pragma once
#include <chrono>
#include <memory>
#include <mutex>

#include "MidiOutput.h"

namespace platform {

class SimulatedLink;

//! The simulated instrument's MIDI output device: each message is carried
//! over the link and counts as sent once the wire time of its bytes is over.
class SimulatedMidiOutput : public MidiOutput {
public:
    //! An open output on `link`, which has already been claimed for it.
    explicit SimulatedMidiOutput(std::shared_ptr<SimulatedLink> link);
    ~SimulatedMidiOutput() override;

    MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) override;
    MidiResult startSysEx(const std::uint8_t* message, std::size_t length) override;
    MidiResult sendState() override;
    void waitSent(std::chrono::microseconds timeout) override;
    MidiResult close() override;

private:
    using Clock = std::chrono::steady_clock;

    std::shared_ptr<SimulatedLink> m_link;
    std::mutex m_mutex;
    bool m_open = true;
    Clock::time_point m_sentAt;  // when the last message's wire time is over
};

}  // namespace platform
