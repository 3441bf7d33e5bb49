#pragma once
#include <memory>
#include <mutex>

#include "MidiOutput.h"

namespace platform {

class SimulatedLink;

//! The simulated instrument's MIDI output device: each send is carried over
//! the link synchronously, taking the wire time of its bytes.
class SimulatedMidiOutput : public MidiOutput {
public:
    //! An open output on `link`, which has already been claimed for it.
    explicit SimulatedMidiOutput(std::shared_ptr<SimulatedLink> link);
    ~SimulatedMidiOutput() override;

    MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) override;
    MidiResult close() override;

private:
    std::shared_ptr<SimulatedLink> m_link;
    std::mutex m_mutex;
    bool m_open = true;
    int m_sendsInFlight = 0;
};

}  // namespace platform
