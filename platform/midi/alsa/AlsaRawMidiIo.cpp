#include "AlsaRawMidiIo.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <cerrno>
#include <vector>

#include "AlsaRawMidiPort.h"

namespace platform {

int WaitForRawMidi(snd_rawmidi_t* handle, int timeoutMs)
{
    const int count = snd_rawmidi_poll_descriptors_count(handle);
    if (count <= 0)
        return -EBADFD;
    std::vector<pollfd> fds(static_cast<std::size_t>(count));
    snd_rawmidi_poll_descriptors(handle, fds.data(), static_cast<unsigned>(count));
    const int ready = poll(fds.data(), fds.size(), timeoutMs);
    if (ready < 0)
        return errno == EINTR ? 1 : -errno;  // a signal is no failure: the caller just tries again
    if (ready == 0)
        return 0;
    unsigned short revents = 0;
    snd_rawmidi_poll_descriptors_revents(handle, fds.data(), static_cast<unsigned>(count), &revents);
    if ((revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
        return -ENODEV;
    return (revents & (POLLIN | POLLOUT)) != 0 ? 1 : 0;
}

namespace {

// A device that keeps waking the writer without taking bytes must not spin forever.
constexpr int kMaxFruitlessWakeups = 1000;

void SilentAlsaErrorHandler(const char*, int, const char*, int, const char*, ...) {}

// Sets the kernel buffer of `handle` to `bytes` and, when `availMin` is not 0,
// the room that wakes a waiting writer. Returns the size the driver took (it
// may round it) or a negative errno.
long applyBufferParams(snd_rawmidi_t* handle, std::size_t bytes, std::size_t availMin)
{
    snd_rawmidi_params_t* params = nullptr;
    int err = snd_rawmidi_params_malloc(&params);
    if (err < 0)
        return err;
    err = snd_rawmidi_params_current(handle, params);
    if (err >= 0)
        err = snd_rawmidi_params_set_buffer_size(handle, params, bytes);
    if (err >= 0 && availMin != 0)
        err = snd_rawmidi_params_set_avail_min(handle, params, availMin);
    if (err >= 0)
        err = snd_rawmidi_params(handle, params);
    if (err >= 0)
        err = snd_rawmidi_params_current(handle, params);
    const long size = err < 0 ? err : static_cast<long>(snd_rawmidi_params_get_buffer_size(params));
    snd_rawmidi_params_free(params);
    return size;
}

}  // namespace

int SetRawMidiBufferSize(snd_rawmidi_t* handle, std::size_t bytes)
{
    const long size = applyBufferParams(handle, bytes, 0);
    return size < 0 ? static_cast<int>(size) : 0;
}

long SetRawMidiOutputBuffer(snd_rawmidi_t* handle, std::size_t bytes)
{
    // The wake-up mark must stay below the buffer's size.
    return applyBufferParams(handle, bytes, bytes - 1);
}

long RawMidiOutputPending(snd_rawmidi_t* handle, std::size_t bufferBytes)
{
    snd_rawmidi_status_t* status = nullptr;
    int err = snd_rawmidi_status_malloc(&status);
    if (err < 0)
        return err;
    err = snd_rawmidi_status(handle, status);
    const std::size_t room = err < 0 ? 0 : snd_rawmidi_status_get_avail(status);
    snd_rawmidi_status_free(status);
    if (err < 0)
        return err;
    return room >= bufferBytes ? 0 : static_cast<long>(bufferBytes - room);
}

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

void SilenceAlsaLibErrors() { snd_lib_error_set_handler(&SilentAlsaErrorHandler); }

MidiResult RawMidiFailure(const std::string& name, int alsaError)
{
    return MidiResult::failure(AlsaErrorToMidiStatus(alsaError), name + ": " + snd_strerror(alsaError));
}

}  // namespace platform
