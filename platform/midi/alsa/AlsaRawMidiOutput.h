#pragma once
#include <functional>
#include <string>

#include "MidiOutput.h"

typedef struct _snd_rawmidi snd_rawmidi_t;

namespace platform {

//! Writes a whole message through `write` (returns bytes taken, or a negative
//! errno such as -EAGAIN when the device buffer is full), waiting with
//! `waitWritable(timeoutMs)` (>0 ready, 0 timed out, <0 error) whenever no
//! byte was taken. Returns 0, the first hard error, or -ETIMEDOUT when the
//! device takes nothing for `stallTimeoutMs`.
int WriteWholeMessage(const std::uint8_t* message, std::size_t length,
                      const std::function<long(const std::uint8_t*, std::size_t)>& write,
                      const std::function<int(int)>& waitWritable, int stallTimeoutMs);

//! An open ALSA raw MIDI output subdevice.
class AlsaRawMidiOutput : public MidiOutput {
public:
    //! Takes ownership of `handle`, opened non-blocking.
    AlsaRawMidiOutput(snd_rawmidi_t* handle, std::string name);
    ~AlsaRawMidiOutput() override;

    //! Returns when the last byte has left the interface (drained), or fails
    //! with the device's error text; a device that stops taking bytes fails
    //! after kStallTimeoutMs instead of hanging.
    MidiResult sendSysEx(const std::uint8_t* message, std::size_t length) override;
    MidiResult close() override;

    //! Longest time the device may take no byte at all before a send fails.
    static constexpr int kStallTimeoutMs = 2000;

private:
    MidiResult failure(int err) const;

    snd_rawmidi_t* m_handle = nullptr;
    std::string m_name;
};

}  // namespace platform
