#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MidiOutput.h"
#include "WinMmApi.h"
#include "WinMmKeptAlive.h"

namespace platform {

//! An open WinMM MIDI output device. A message goes out in steps: a copy of
//! it is handed over with a prepared header (midiOutLongMsg), and the
//! device's event tells when the driver has marked it done, while the caller
//! serves its window. Closing while a message is on its way reports
//! kMidiStillPlaying, as midiOutClose itself does, and the caller tries again.
//!
//! Windows MIDI Services sends synchronously (MHDR_DONE is set when
//! midiOutLongMsg returns) and, before its fix of tracker PR 1159, leaves a
//! failed send with neither MHDR_DONE nor MOM_DONE: a send that fails is
//! never waited for. A send that fails because the device is no longer
//! listed reports it as no longer connected. A header or event Windows will
//! not let go of is kept for the life of the process (WinMmKeptAlive).
class WinMmMidiOutput : public MidiOutput {
public:
    //! Whether the device is still listed.
    using PresenceCheck = std::function<bool()>;

    //! `name` is the device's product name, for failure texts.
    WinMmMidiOutput(std::shared_ptr<WinMmApi> api, std::string name, PresenceCheck present);
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
    //! What the port shares with the driver: the event it sets and the header with the bytes.
    struct Shared : WinMmKeptAlive::Shared {
        ~Shared() override;
        HANDLE done = nullptr;  // set by the driver on open, done and close
        MIDIHDR header{};
        std::vector<std::uint8_t> bytes;
    };

    MidiResult finish(MidiResult result);
    //! The failure for a refused call; a device no longer listed is named as gone.
    MidiResult failure(MMRESULT result);
    //! Unprepares the header once the driver is done with it; false when the driver keeps it.
    bool releaseHeader();
    //! Takes a message on its way back from the driver and releases its header.
    void withdraw();
    //! Closes the handle, unless the driver kept the header; WinMM's answer.
    MMRESULT tryClose();
    //! Gives up the handle; what the driver may still use is kept when the close was refused.
    void letGo(MMRESULT closed);

    std::shared_ptr<WinMmApi> m_api;
    std::string m_name;
    PresenceCheck m_present;
    std::unique_ptr<Shared> m_shared = std::make_unique<Shared>();
    HMIDIOUT m_handle = nullptr;
    bool m_sending = false;
    bool m_gone = false;            // a send found the device no longer listed
    bool m_driverKeepsHeader = false;
    MidiResult m_lastResult;
    std::chrono::steady_clock::time_point m_deadline;
};

}  // namespace platform
