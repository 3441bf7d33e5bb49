#include "AlsaRawMidiOutput.h"

#include <alsa/asoundlib.h>

#include <cerrno>

#include "AlsaRawMidiIo.h"
#include "AlsaRawMidiPort.h"

namespace platform {

namespace {

// A device that keeps waking the writer without taking bytes must not spin forever.
constexpr int kMaxFruitlessWakeups = 1000;

}  // namespace

int WriteWholeMessage(const std::uint8_t* message, std::size_t length,
                      const std::function<long(const std::uint8_t*, std::size_t)>& write,
                      const std::function<int(int)>& waitWritable, int stallTimeoutMs)
{
    std::size_t offset = 0;
    int fruitless = 0;
    while (offset < length) {
        const long written = write(message + offset, length - offset);
        if (written > 0) {
            offset += static_cast<std::size_t>(written);
            fruitless = 0;
            continue;
        }
        if (written < 0 && written != -EAGAIN)
            return static_cast<int>(written);
        if (++fruitless > kMaxFruitlessWakeups)
            return -ETIMEDOUT;
        const int ready = waitWritable(stallTimeoutMs);
        if (ready == 0)
            return -ETIMEDOUT;
        if (ready < 0)
            return ready;
    }
    return 0;
}

AlsaRawMidiOutput::AlsaRawMidiOutput(snd_rawmidi_t* handle, std::string name)
    : m_handle(handle), m_name(std::move(name))
{
}

AlsaRawMidiOutput::~AlsaRawMidiOutput() { close(); }

MidiResult AlsaRawMidiOutput::sendSysEx(const std::uint8_t* message, std::size_t length)
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    if (message == nullptr || length == 0)
        return MidiResult::failure(kMidiInvalidParam);
    const int err = WriteWholeMessage(
        message, length,
        [this](const std::uint8_t* bytes, std::size_t count) {
            return static_cast<long>(snd_rawmidi_write(m_handle, bytes, count));
        },
        [this](int timeoutMs) { return WaitForRawMidi(m_handle, timeoutMs); }, kStallTimeoutMs);
    if (err < 0)
        return failure(err);
    // The kernel bounds the drain itself (it gives up after some seconds).
    const int drained = snd_rawmidi_drain(m_handle);
    if (drained < 0)
        return failure(drained);
    return MidiResult::success();
}

MidiResult AlsaRawMidiOutput::close()
{
    if (m_handle != nullptr) {
        snd_rawmidi_close(m_handle);
        m_handle = nullptr;
    }
    return MidiResult::success();
}

MidiResult AlsaRawMidiOutput::failure(int err) const
{
    if (err == -ETIMEDOUT)
        return MidiResult::failure(kMidiNotReady,
                                   m_name + ": the device took no data for " + std::to_string(kStallTimeoutMs) + " ms");
    return RawMidiFailure(m_name, err);
}

}  // namespace platform
