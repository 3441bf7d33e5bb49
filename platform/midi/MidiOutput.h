#pragma once
#include <chrono>

#include "MidiTypes.h"

namespace platform {

//! An open MIDI output port.
//!
//! A message goes out either in one blocking call (sendSysEx) or in steps, so
//! that the caller can serve its window while the bytes are on the wire:
//! startSysEx hands the message over, sendState tells when the port is done
//! with it, waitSent sleeps until then for at most a given time. A backend
//! that cannot send in the background keeps the defaults, which do the whole
//! send in startSysEx. A port is used from one thread at a time.
class MidiOutput {
public:
    virtual ~MidiOutput() = default;

    //! Sends one complete System Exclusive message (F0 ... F7). Returns only
    //! when the driver has finished with the bytes: the caller may reuse or
    //! free them at once.
    virtual MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) = 0;

    //! Starts sending one complete message and returns; `message` must stay
    //! valid until sendState no longer reports kMidiStillPlaying. A failure
    //! here ends the send.
    virtual MidiResult startSysEx(const std::uint8_t* message, std::size_t length)
    {
        return sendSysEx(message, length);
    }
    //! kMidiStillPlaying while the started message is on its way, then the
    //! outcome of the send.
    virtual MidiResult sendState() { return MidiResult::success(); }
    //! Sleeps until the started message has left or `timeout` has passed.
    virtual void waitSent(std::chrono::microseconds timeout) { (void)timeout; }

    //! The longest message the port carries whole, in bytes; 0 when it
    //! carries any. Longer data is the caller's to send in pieces.
    virtual std::size_t longestMessage() const { return 0; }

    //! Closes the port, or returns kMidiStillPlaying and closes nothing while
    //! a started message is still on its way; that message goes on, and the
    //! caller calls close again until it gives another answer. A closed port
    //! answers kMidiInvalidHandle.
    //!
    //! The busy port is reported, not waited for: a close must not hold the
    //! window's thread for a message's wire time, the caller decides how long
    //! it retries, and WinMM's midiOutClose answers a queued long message the
    //! same way. Each call moves the message on, so retrying alone gets it
    //! out; a send that stops making progress ends with a failure after the
    //! backend's stall limit, so the retries end even on a stalled device.
    //! Destroying the port closes it at once and drops what is still on its way.
    virtual MidiResult close() = 0;

protected:
    //! sendSysEx of a port that sends in steps: starts the message and waits
    //! until the port is done with it, looking at it at least every 10 ms so
    //! that sendState can tell a stalled port in time.
    MidiResult sendInSteps(const std::uint8_t* message, std::size_t length)
    {
        constexpr std::chrono::milliseconds kLookInterval{10};
        MidiResult result = startSysEx(message, length);
        if (!result.ok())
            return result;
        while ((result = sendState()).code == kMidiStillPlaying)
            waitSent(kLookInterval);
        return result;
    }
};

}  // namespace platform
