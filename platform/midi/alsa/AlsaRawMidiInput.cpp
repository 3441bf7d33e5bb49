#include "AlsaRawMidiInput.h"

#include <alsa/asoundlib.h>

#include <array>
#include <cerrno>

#include "AlsaRawMidiIo.h"

namespace platform {

namespace {

// Bytes taken from the driver per read; the kernel keeps its own 4 KiB buffer.
constexpr std::size_t kReadChunk = 256;

}  // namespace

AlsaRawMidiInput::AlsaRawMidiInput(MidiInCallback callback, void* instance, snd_rawmidi_t* handle,
                                   std::string name)
    : MidiInput(callback, instance), m_handle(handle), m_name(std::move(name))
{
}

AlsaRawMidiInput::~AlsaRawMidiInput()
{
    stopDevice();
    if (m_handle != nullptr)
        snd_rawmidi_close(m_handle);
}

MidiResult AlsaRawMidiInput::startDevice()
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    stopDevice();
    snd_rawmidi_drop(m_handle);  // bytes from before the start belong to nobody
    // The kernel starts an input only at its first poll or read, and a USB
    // interface throws away what comes before: one look now, so a reply that
    // comes the moment start returns waits for the reader thread.
    WaitForRawMidi(m_handle, 0);
    m_assembler.reset();
    m_stopRequested = false;
    m_reader = std::thread([this] { readLoop(); });
    return MidiResult::success();
}

void AlsaRawMidiInput::stopDevice()
{
    m_stopRequested = true;
    if (m_reader.joinable())
        m_reader.join();
}

void AlsaRawMidiInput::readLoop()
{
    std::array<std::uint8_t, kReadChunk> chunk{};
    const auto deliver = [this](const std::uint8_t* message, std::size_t length) { deliverSysEx(message, length); };
    while (!m_stopRequested) {
        const int ready = WaitForRawMidi(m_handle, kReadPollMs);
        if (ready < 0)
            return fail(ready);
        if (ready == 0)
            continue;
        const ssize_t count = snd_rawmidi_read(m_handle, chunk.data(), chunk.size());
        if (count == -EAGAIN || count == 0)
            continue;
        if (count < 0)
            return fail(static_cast<int>(count));
        m_assembler.feed(chunk.data(), static_cast<std::size_t>(count), deliver);
    }
}

void AlsaRawMidiInput::fail(int err)
{
    // The waiting side ends its wait with this text instead of timing out.
    reportDeviceFailure(RawMidiFailure(m_name, err));
}

}  // namespace platform
