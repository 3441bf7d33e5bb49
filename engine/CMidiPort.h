#pragma once
// The MIDI output and input device pair through which the instrument's
// updater is driven, with the System Exclusive command operations built on
// them. Every operation runs on the user-interface thread and either completes
// or throws a CMidiError whose text the caller shows unchanged. The memory
// operations (address, write, erase, read) serve the window while their bytes
// are on the wire and while they wait; opening and closing do not. Whatever
// the window's messages throw meanwhile (a headless run's stop request) waits
// until the message on the wire, or a whole erase sequence, is complete.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "CMidiError.h"
#include "MidiDeviceId.h"
#include "MidiInput.h"
#include "MidiOutput.h"
#include "SysExProtocol.h"

class CMidiPort {
public:
    //! Wait between the two halves of the opening pulse.
    static constexpr unsigned kPulseDelayMs = 100;
    //! Wait after each single-word write of a block erase.
    static constexpr unsigned kEraseWriteDelayMs = 100;
    //! Polls (1 ms each) ReadWord gives its reply.
    static constexpr unsigned kReadWordPolls = 100;
    //! Empty replies in a row ReadWords accepts before it gives up: a device
    //! that answers every request with nothing must not keep the read going.
    static constexpr unsigned kMaxEmptyReplies = 100;
    //! Retries (10 ms apart) of closing an output that reports a send in
    //! flight: 3 s, more than the 2 s after which a backend ends a send that
    //! makes no progress. The port is dropped after the last one regardless.
    static constexpr unsigned kCloseOutputRetries = 300;
    //! Retries (yields) of closing an input that reports buffers still queued.
    static constexpr unsigned kCloseInputRetries = 1000;

    CMidiPort();
    //! Closes both ports without sending anything.
    ~CMidiPort();
    CMidiPort(const CMidiPort&) = delete;
    CMidiPort& operator=(const CMidiPort&) = delete;

    //! Opens both devices and sends the opening commands. On failure nothing
    //! stays open and the text is rethrown.
    void OpenPorts(unsigned outDevice, unsigned inDevice);
    //! Opens exactly the chosen devices, wherever they stand in the lists now,
    //! and sends the opening commands. A device that is no longer there fails
    //! before anything is sent, with a text naming it.
    void OpenPorts(const platform::MidiDeviceId& outDevice, const platform::MidiDeviceId& inDevice);
    //! Sends the end command and closes both ports; they are closed even when
    //! the send fails, whose text is then rethrown.
    void ClosePorts();

    //! For the end of the session in the middle of a run, from inside the
    //! run's window dispatch: lets the message on its way finish (for
    //! `limitMs` at most), sends the end command and closes both ports,
    //! without a word of a failure; the run's next step fails.
    void EndDuringRun(unsigned limitMs);

    //! Sends 0x01 and 0x0C.
    void SendStart();
    //! Sends 0x03, waits `delayMs`, sends 0x04.
    void SendPulse(unsigned delayMs);
    //! Sends 0x02.
    void SendEnd();

    //! Sends 0x05 with the high half of the current word address.
    void SetAddressHigh(std::uint16_t value);
    //! Sends 0x06 with the low half of the current word address.
    void SetAddressLow(std::uint16_t value);
    //! One bus write of `value` at the given word address (0x05, 0x06, 0x09).
    void WriteWord(std::uint16_t addressHigh, std::uint16_t addressLow, std::uint16_t value);
    //! Issues the sector erase of the flash block at word `address` (six
    //! writes, 100 ms after each, the window served meanwhile). Whether it
    //! took is for the caller to read.
    void EraseBlock(std::uint32_t address);
    //! Stores `count` words (2 x count bytes, low byte first) at word `address`.
    void WriteWords(const std::uint8_t* words, unsigned count, std::uint32_t address);
    //! Reads `count` words from word `address` into `buffer` (2 x count bytes),
    //! giving each reply `pollCount` polls of 1 ms. Throws "Wait Time Out!" or
    //! "Read Data Unexpected!".
    void ReadWords(std::uint8_t* buffer, std::uint32_t address, unsigned count, unsigned pollCount);
    //! The word at `address`.
    std::uint16_t ReadWord(std::uint32_t address);

    //! Opens output `device` (closing any open output first). Throws "Fail to
    //! open MIDI out device".
    void OpenOutput(unsigned device);
    //! Opens exactly output `device` (closing any open output first).
    void OpenOutput(const platform::MidiDeviceId& device);
    //! Closes the output; does nothing when none is open.
    void CloseOutput();
    //! Opens input `device` (closing any open input first), queues the input
    //! buffer and starts receiving. Throws "Fail to open MIDI in device".
    void OpenInput(unsigned device);
    //! Opens exactly input `device`, as OpenInput(unsigned) does.
    void OpenInput(const platform::MidiDeviceId& device);
    //! Stops and closes the input; does nothing when none is open.
    void CloseInput();
    //! Sends one complete message and returns when the port is done with it.
    //! Clears the reply flag first. Throws the driver's error text.
    void SendSysEx(const std::uint8_t* bytes, std::size_t length);

    //! Input callback: stores each completed buffer as the reply and queues it
    //! again, unless the input is closing.
    static void MidiInProc(platform::MidiInput* input, unsigned message, void* instance,
                           platform::MidiHeader* header);

    //! True while an output is open.
    bool IsOutputOpen() const { return m_midiOut != nullptr; }
    //! True while an input is open.
    bool IsInputOpen() const { return m_midiIn != nullptr; }

private:
    template <class Device>
    void OpenBoth(const Device& outDevice, const Device& inDevice);
    void AdoptOutput(const platform::MidiResult& opened, std::unique_ptr<platform::MidiOutput> port);
    void StartInput(const platform::MidiResult& opened);

    //! What a send does while its bytes are on the wire. The memory operations
    //! run only inside an update, where the window is guarded against a second
    //! run and against closing, so they let it paint and take input; opening
    //! and closing happen while it is not.
    enum class WhileSending { Wait, Dispatch };

    void Send(const std::uint8_t* bytes, std::size_t length, WhileSending mode);
    platform::MidiResult AwaitSent(WhileSending mode);
    //! Lets waiting window messages run; what they throw is held for RethrowHeld.
    void DispatchHolding();
    //! Throws what DispatchHolding held, if anything.
    void RethrowHeld();
    void SendCommand(std::uint8_t command, WhileSending mode = WhileSending::Wait);
    void SendValueCommand(std::uint8_t command, std::uint16_t value);
    //! Waits up to `pollCount` polls for the reply flag; throws "Wait Time Out!",
    //! or the driver's text at once when the input device has gone away.
    void WaitForReply(unsigned pollCount);
    //! Throws the driver's text for `result` (kept in the error text member).
    [[noreturn]] void ThrowDriverError(const platform::MidiResult& result);

    std::unique_ptr<platform::MidiOutput> m_midiOut;
    std::unique_ptr<platform::MidiInput> m_midiIn;
    std::atomic<bool> m_closing{false};  // read by the callback on the driver's thread
    SysEx::ValueMessage m_valueMessage = SysEx::EmptyValueCommand();
    std::exception_ptr m_held;        // thrown by the window's messages during a send or an erase
    bool m_erasing = false;           // inside an erase sequence: it is not cut short
    std::string m_errorText;  // the driver's text for the last failed send
};
