#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <string>

#include "MidiOutput.h"

namespace platform {

//! An open WinMM MIDI output device. A message goes out in steps: it is
//! handed over with a prepared header (midiOutLongMsg), and the device's
//! event tells when the driver has marked it done, while the caller serves
//! its window. Closing while a message is on its way reports
//! kMidiStillPlaying, as midiOutClose itself does, and the caller tries again.
class WinMmMidiOutput : public MidiOutput {
public:
    //! `name` is the device's product name, for failure texts.
    explicit WinMmMidiOutput(std::string name);
    ~WinMmMidiOutput() override;
    WinMmMidiOutput(const WinMmMidiOutput&) = delete;
    WinMmMidiOutput& operator=(const WinMmMidiOutput&) = delete;

    //! Opens device `number`.
    MidiResult open(unsigned number);

    MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) override;
    MidiResult startSysEx(const std::uint8_t* message, std::size_t length) override;
    //! kMidiStillPlaying until the driver is done with the message; a device
    //! that has not finished kStallTimeoutMs after the message's time on the
    //! slowest MIDI link fails the send.
    MidiResult sendState() override;
    void waitSent(std::chrono::microseconds timeout) override;
    MidiResult close() override;

    //! Longest time a device may take beyond a message's time on the wire.
    static constexpr int kStallTimeoutMs = 2000;
    //! A MIDI cable's speed, the slowest link a device may have: 31,250 baud,
    //! ten bits a byte.
    static constexpr int kSlowestBytesPerSecond = 3125;

private:
    MidiResult finish(MidiResult result);
    //! Takes the message back from the driver and releases its header.
    void withdraw();

    HMIDIOUT m_handle = nullptr;
    HANDLE m_done = nullptr;  // set by the driver when a message is done
    std::string m_name;
    MIDIHDR m_header{};
    bool m_sending = false;
    MidiResult m_lastResult;
    std::chrono::steady_clock::time_point m_deadline;
};

}  // namespace platform
