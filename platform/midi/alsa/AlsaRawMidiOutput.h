#pragma once
#include <chrono>
#include <string>

#include "MidiOutput.h"

typedef struct _snd_rawmidi snd_rawmidi_t;

namespace platform {

//! An open ALSA raw MIDI output subdevice. A message goes out in steps: the
//! kernel buffer holds the longest message whole, and the caller serves its
//! window while the bytes drain onto the wire.
class AlsaRawMidiOutput : public MidiOutput {
public:
    //! Takes ownership of `handle`, opened non-blocking.
    AlsaRawMidiOutput(snd_rawmidi_t* handle, std::string name);
    ~AlsaRawMidiOutput() override;

    //! Returns when the last byte has left the interface (drained), or fails
    //! with the device's error text; a device that stops taking bytes fails
    //! after kStallTimeoutMs instead of hanging.
    MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) override;
    //! Hands the bytes the kernel buffer takes to the device and returns.
    MidiResult startSysEx(const std::uint8_t* message, std::size_t length) override;
    //! kMidiStillPlaying until every byte has drained, then the send's outcome.
    MidiResult sendState() override;
    //! Sleeps until the device has taken the rest or drained, at most `timeout`.
    void waitSent(std::chrono::microseconds timeout) override;
    //! kMidiStillPlaying while a started message has not drained (or failed),
    //! otherwise closes the port.
    MidiResult close() override;

    //! Longest time the device may take no byte at all before a send fails.
    static constexpr int kStallTimeoutMs = 2000;
    //! Kernel buffer asked for: the longest message (4101 bytes) fits whole.
    static constexpr std::size_t kBufferBytes = 8192;

private:
    //! Closes the handle at once, dropping whatever it still holds.
    void release();
    MidiResult finish(MidiResult result);
    MidiResult failure(int err) const;

    snd_rawmidi_t* m_handle = nullptr;
    std::string m_name;
    std::size_t m_bufferBytes = 0;      // as the driver took it; 0 when it kept its own
    const std::uint8_t* m_message = nullptr;
    std::size_t m_length = 0;
    std::size_t m_written = 0;          // bytes handed to the kernel
    long m_pending = -1;                // bytes seen waiting in the kernel at the last step
    int m_waitError = 0;                // what the last wait found wrong with the device
    bool m_sending = false;
    MidiResult m_lastResult;
    std::chrono::steady_clock::time_point m_lastProgress;
};

}  // namespace platform
