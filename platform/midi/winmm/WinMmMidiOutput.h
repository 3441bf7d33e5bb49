#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MidiOutput.h"
#include "WinMmApi.h"
#include "WinMmDeviceWatch.h"
#include "WinMmKeptAlive.h"

namespace platform {

//! An open WinMM MIDI output device. A message goes out in steps: a copy of
//! it is handed over with a prepared header, and the port tells when the
//! driver has marked it done, while the caller serves its window. Closing
//! while a message is on its way reports kMidiStillPlaying, as midiOutClose
//! itself does, and the caller tries again.
//!
//! midiOutLongMsg is called on a sender thread of the port's own: Windows
//! MIDI Services sends synchronously, and before its fix of tracker issue 831
//! the call stayed 5 s inside a removed device. A call that has not come back
//! kStallTimeoutMs after the message's wire time, or once the port's watch
//! of the device list (WinMmDeviceWatch) finds the device gone, fails the
//! send with the device gone; its header and bytes stay allocated for the life of the
//! process, as does anything else Windows will not let go of
//! (WinMmKeptAlive). Before its fix of PR 1159 the service leaves a failed
//! send with neither MHDR_DONE nor MOM_DONE: a send that fails is never
//! waited for. A send that fails because the device is no longer listed
//! reports it as no longer connected.
//!
//! midiOutReset is the last resort after a refused close: on the classic
//! stack it puts "all notes off" and "reset all controllers" on the wire, into
//! an instrument that may be in the middle of an update.
class WinMmMidiOutput : public MidiOutput {
public:
    //! `name` is the device's product name, for failure texts; `present`
    //! looks whether it is still listed.
    WinMmMidiOutput(std::shared_ptr<WinMmApi> api, std::string name, WinMmDeviceWatch::Look present);
    ~WinMmMidiOutput() override;
    WinMmMidiOutput(const WinMmMidiOutput&) = delete;
    WinMmMidiOutput& operator=(const WinMmMidiOutput&) = delete;

    //! Opens device `number` and starts the sender thread and the watch.
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
    //! What the port shares with the driver and the sender thread.
    struct Shared : WinMmKeptAlive::Shared {
        ~Shared() override;
        std::shared_ptr<WinMmApi> api;
        HMIDIOUT handle = nullptr;
        HANDLE done = nullptr;      // set by the driver on open, done and close
        HANDLE start = nullptr;     // the sender thread calls midiOutLongMsg
        HANDLE returned = nullptr;  // set by the sender thread once the call came back
        std::atomic<bool> quit{false};
        std::atomic<MMRESULT> result{MMSYSERR_NOERROR};
        MIDIHDR header{};
        std::vector<std::uint8_t> bytes;
    };
    static void sendLoop(const std::shared_ptr<Shared>& shared);

    bool callReturned() const;
    MidiResult finish(MidiResult result);
    //! The failure for a refused call; a device no longer listed is named as gone.
    MidiResult failure(MMRESULT result);
    MidiResult gone() const;
    //! Unprepares the header once the driver is done with it; false when the driver keeps it.
    bool releaseHeader();
    //! Closes the handle; on a refusal, and only then, resets the device and
    //! tries once more. WinMM's answer.
    MMRESULT closeHandle();
    //! Gives up the handle; what the driver may still use is kept when the close was refused.
    void letGo(MMRESULT closed);

    std::shared_ptr<WinMmApi> m_api;
    std::string m_name;
    WinMmDeviceWatch::Look m_present;
    std::unique_ptr<WinMmDeviceWatch> m_watch;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    HMIDIOUT m_handle = nullptr;
    bool m_sending = false;
    bool m_gone = false;             // a send found the device no longer listed
    bool m_driverKeepsHeader = false;
    bool m_callStuck = false;        // a midiOutLongMsg never came back
    MidiResult m_lastResult;
    std::chrono::steady_clock::time_point m_deadline;
};

}  // namespace platform
