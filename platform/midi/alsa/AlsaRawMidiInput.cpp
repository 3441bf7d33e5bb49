#include "AlsaRawMidiInput.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <array>
#include <cerrno>
#include <vector>

namespace platform {

namespace {

// Bytes taken from the driver per read; the kernel keeps its own 4 KiB buffer.
constexpr std::size_t kReadChunk = 256;

}  // namespace

AlsaRawMidiInput::AlsaRawMidiInput(MidiInCallback callback, void* instance, snd_rawmidi_t* handle)
    : MidiInput(callback, instance), m_handle(handle)
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
        const int ready = waitReadable();
        if (ready < 0)
            return;  // device gone: the waiting side times out
        if (ready == 0)
            continue;
        const ssize_t count = snd_rawmidi_read(m_handle, chunk.data(), chunk.size());
        if (count == -EAGAIN || count == 0)
            continue;
        if (count < 0)
            return;
        m_assembler.feed(chunk.data(), static_cast<std::size_t>(count), deliver);
    }
}

int AlsaRawMidiInput::waitReadable()
{
    const int count = snd_rawmidi_poll_descriptors_count(m_handle);
    if (count <= 0)
        return -EBADFD;
    std::vector<pollfd> fds(static_cast<std::size_t>(count));
    snd_rawmidi_poll_descriptors(m_handle, fds.data(), static_cast<unsigned>(count));
    const int ready = poll(fds.data(), fds.size(), kReadPollMs);
    if (ready < 0)
        return errno == EINTR ? 0 : -errno;
    if (ready == 0)
        return 0;
    unsigned short revents = 0;
    snd_rawmidi_poll_descriptors_revents(m_handle, fds.data(), static_cast<unsigned>(count), &revents);
    if ((revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
        return -ENODEV;
    return (revents & POLLIN) != 0 ? 1 : 0;
}

}  // namespace platform
