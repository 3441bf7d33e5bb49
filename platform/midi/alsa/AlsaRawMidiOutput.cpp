#include "AlsaRawMidiOutput.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>

#include "AlsaRawMidiIo.h"
#include "AlsaRawMidiPort.h"

namespace platform {

AlsaRawMidiOutput::AlsaRawMidiOutput(snd_rawmidi_t* handle, std::string name)
    : m_handle(handle), m_name(std::move(name))
{
    // A driver that keeps its own buffer still works: the message then goes
    // out in pieces and its drain is looked at every millisecond.
    const long size = SetRawMidiOutputBuffer(m_handle, kBufferBytes);
    m_bufferBytes = size > 0 ? static_cast<std::size_t>(size) : 0;
}

AlsaRawMidiOutput::~AlsaRawMidiOutput() { release(); }

MidiResult AlsaRawMidiOutput::sendSysEx(const std::uint8_t* message, std::size_t length)
{
    return sendInSteps(message, length);
}

MidiResult AlsaRawMidiOutput::startSysEx(const std::uint8_t* message, std::size_t length)
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    if (message == nullptr || length == 0)
        return MidiResult::failure(kMidiInvalidParam);
    m_message = message;
    m_length = length;
    m_written = 0;
    m_pending = -1;
    m_waitError = 0;
    m_sending = true;
    m_lastProgress = std::chrono::steady_clock::now();
    const MidiResult state = sendState();
    return state.code == kMidiStillPlaying ? MidiResult::success() : state;
}

MidiResult AlsaRawMidiOutput::sendState()
{
    if (!m_sending)
        return m_lastResult;
    if (m_waitError < 0)
        return finish(failure(m_waitError));
    const auto now = std::chrono::steady_clock::now();
    while (m_written < m_length) {
        const long taken = snd_rawmidi_write(m_handle, m_message + m_written, m_length - m_written);
        if (taken == -EAGAIN || taken == 0)
            break;
        if (taken < 0)
            return finish(failure(static_cast<int>(taken)));
        m_written += static_cast<std::size_t>(taken);
        m_lastProgress = now;
    }
    if (m_written == m_length) {
        // A poll cannot wait for the very last byte (the wake-up mark must stay
        // below the buffer's size), so that one byte is drained in the kernel.
        long pending = m_bufferBytes > 0 ? RawMidiOutputPending(m_handle, m_bufferBytes) : 1;
        if (pending == 1)
            pending = snd_rawmidi_drain(m_handle);
        if (pending < 0)
            return finish(failure(static_cast<int>(pending)));
        if (pending == 0)
            return finish(MidiResult::success());
        if (pending != m_pending)
            m_lastProgress = now;
        m_pending = pending;
    }
    if (now - m_lastProgress > std::chrono::milliseconds(kStallTimeoutMs))
        return finish(failure(-ETIMEDOUT));
    return MidiResult::failure(kMidiStillPlaying);
}

void AlsaRawMidiOutput::waitSent(std::chrono::microseconds timeout)
{
    if (!m_sending)
        return;
    // The buffer wakes a poll only once it is empty: room for the rest of a
    // message, or the drain is over.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    const int ready = WaitForRawMidi(m_handle, static_cast<int>(std::max<long long>(ms, 1)));
    if (ready < 0)
        m_waitError = ready;  // an unplugged interface: the next look ends the send
}

MidiResult AlsaRawMidiOutput::close()
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    // The look writes what the kernel buffer did not take yet and ends the
    // send once it has drained, failed or stalled.
    if (sendState().code == kMidiStillPlaying)
        return MidiResult::failure(kMidiStillPlaying);
    release();
    return MidiResult::success();
}

void AlsaRawMidiOutput::release()
{
    if (m_handle == nullptr)
        return;
    // The kernel drains an output as it closes, for seconds on a stalled
    // device: bytes of a send that did not end well are dropped first.
    if (m_sending || !m_lastResult.ok())
        snd_rawmidi_drop(m_handle);
    snd_rawmidi_close(m_handle);
    m_handle = nullptr;
    m_sending = false;
}

MidiResult AlsaRawMidiOutput::finish(MidiResult result)
{
    m_sending = false;
    m_message = nullptr;
    m_lastResult = result;
    return result;
}

MidiResult AlsaRawMidiOutput::failure(int err) const
{
    if (err == -ETIMEDOUT)
        return MidiResult::failure(kMidiNotReady,
                                   m_name + ": the device took no data for " + std::to_string(kStallTimeoutMs) + " ms");
    return RawMidiFailure(m_name, err);
}

}  // namespace platform
