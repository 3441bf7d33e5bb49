#pragma once
#include "MidiTypes.h"

namespace platform {

//! An open MIDI output port.
class MidiOutput {
public:
    virtual ~MidiOutput() = default;

    //! Sends one complete System Exclusive message (F0 ... F7). Returns only
    //! when the driver has finished with the bytes: the caller may reuse or
    //! free them at once.
    virtual MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) = 0;

    //! Closes the port. Returns kMidiStillPlaying while a send is in flight.
    virtual MidiResult close() = 0;
};

}  // namespace platform
