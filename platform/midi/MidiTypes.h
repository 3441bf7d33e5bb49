#pragma once
// Shared vocabulary of the MIDI driver layer: status codes, the input buffer
// header and the input callback's message numbers. The numbers follow the
// conventions the port pair was written against, so its status checks and
// retry loops read the same on every backend.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

//! Status codes returned by the MIDI layer (0 is success).
enum MidiStatus : int {
    kMidiOk = 0,
    kMidiError = 1,            //!< unspecified failure
    kMidiBadDevice = 2,        //!< device number out of range
    kMidiNotEnabled = 3,       //!< driver failed to enable
    kMidiAllocated = 4,        //!< device already in use
    kMidiInvalidHandle = 5,    //!< port is closed or was never opened
    kMidiNoDriver = 6,         //!< no driver / server behind the device
    kMidiNoMemory = 7,         //!< out of memory
    kMidiInvalidParam = 11,    //!< bad pointer or length
    kMidiUnprepared = 64,      //!< buffer header was not prepared
    kMidiStillPlaying = 65,    //!< buffers are still queued / in flight
    kMidiNotReady = 67,        //!< the device is busy
    kMidiNoDevice = 68,        //!< the device has gone away
};

//! Result of a driver call: a status code plus an optional backend detail
//! that explains it better than the generic text (e.g. "JACK server has shut down").
struct MidiResult {
    int code = kMidiOk;
    std::string detail;

    bool ok() const { return code == kMidiOk; }
    static MidiResult success() { return {}; }
    static MidiResult failure(int c, std::string d = {}) { return {c, std::move(d)}; }
};

//! Flags of a MidiHeader.
enum MidiHeaderFlag : std::uint32_t {
    kMhdrDone = 0x1,      //!< the driver has finished with the buffer
    kMhdrPrepared = 0x2,  //!< prepared for use with a port
    kMhdrInQueue = 0x4,   //!< queued for input
};

//! Describes one caller-owned System Exclusive input buffer.
struct MidiHeader {
    std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0;
    std::uint32_t bytesRecorded = 0;
    std::uint32_t flags = 0;
};

//! Message numbers delivered to an input callback.
enum MidiInMessage : unsigned {
    kMimOpen = 0x3C1,
    kMimClose = 0x3C2,
    kMimData = 0x3C3,
    kMimLongData = 0x3C4,   //!< a SysEx buffer is complete (or returned by a reset)
    kMimError = 0x3C5,
    kMimLongError = 0x3C6,
};

class MidiInput;

//! Input callback. Runs on the driver's own thread; `instance` is the value
//! given when the input was opened.
using MidiInCallback = void (*)(MidiInput* input, unsigned message, void* instance, MidiHeader* header);

}  // namespace platform
