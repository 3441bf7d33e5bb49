#pragma once
// Waiting on, writing to and tuning open ALSA raw MIDI handles, shared by
// the backend's input and output and by the standalone instrument.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "MidiTypes.h"

typedef struct _snd_rawmidi snd_rawmidi_t;

namespace platform {

//! Waits up to `timeoutMs` until `handle` can be read (an input) or written
//! (an output). Returns 1 when ready or woken by a signal, 0 when the time
//! passed, or a negative errno: -ENODEV once the device has gone away (an
//! unplugged USB interface reports an error on its descriptors).
int WaitForRawMidi(snd_rawmidi_t* handle, int timeoutMs);

//! Sets the kernel buffer of `handle` to `bytes`, so a long message waits
//! there whole instead of overflowing the default 4 KiB. Returns 0 or a
//! negative errno.
int SetRawMidiBufferSize(snd_rawmidi_t* handle, std::size_t bytes);

//! Gives the output `handle` a kernel buffer of `bytes` that wakes a waiting
//! writer only once at most one byte is left in it, so a poll for room ends
//! when the message has (all but) left. Returns the buffer's size or a
//! negative errno.
long SetRawMidiOutputBuffer(snd_rawmidi_t* handle, std::size_t bytes);

//! Bytes of the output `handle` still waiting in its kernel buffer, or a
//! negative errno.
long RawMidiOutputPending(snd_rawmidi_t* handle, std::size_t bufferBytes);

//! Writes a whole message through `write` (returns bytes taken, or a negative
//! errno such as -EAGAIN when the device buffer is full), waiting with
//! `waitWritable(timeoutMs)` (>0 ready, 0 timed out, <0 error) whenever no
//! byte was taken. Returns 0, the first hard error, or -ETIMEDOUT when the
//! device takes nothing for `stallTimeoutMs`.
int WriteWholeMessage(const std::uint8_t* message, std::size_t length,
                      const std::function<long(const std::uint8_t*, std::size_t)>& write,
                      const std::function<int(int)>& waitWritable, int stallTimeoutMs);

//! Stops alsa-lib from reporting failures on stderr, as it does by default:
//! a window has no use for that, a machine without sound cards would print on
//! every device listing, and reopening a device that has gone would print on
//! every try. Callers report what matters themselves.
void SilenceAlsaLibErrors();

//! The failure of device `name` with a negative ALSA error code, e.g.
//! "USB MIDI Instrument: USB MIDI Instrument MIDI 1: No such device".
MidiResult RawMidiFailure(const std::string& name, int alsaError);

}  // namespace platform
