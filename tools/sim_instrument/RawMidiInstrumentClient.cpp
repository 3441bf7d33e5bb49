#include "RawMidiInstrumentClient.h"

#include <alsa/asoundlib.h>

#include <array>
#include <cerrno>

#include "AlsaRawMidiIo.h"

namespace {

// Bytes taken from the kernel per read.
constexpr std::size_t kReadChunk = 1024;

}  // namespace

RawMidiInstrumentClient::RawMidiInstrumentClient(platform::SimulatedInstrument::Config config, NoticeHandler notice)
    : m_core(std::move(config)), m_notice(std::move(notice))
{
    if (!m_notice)
        m_notice = [](const std::string&) {};
    platform::SilenceAlsaLibErrors();  // the notices say what matters
}

RawMidiInstrumentClient::~RawMidiInstrumentClient() { close(); }

platform::MidiResult RawMidiInstrumentClient::open(const std::string& device)
{
    close();
    m_device = device;
    const platform::MidiResult opened = openDevice();
    if (!opened.ok())
        return opened;
    m_stopRequested = false;
    m_worker = std::thread([this] { workLoop(); });
    return opened;
}

void RawMidiInstrumentClient::close()
{
    m_stopRequested = true;
    if (m_worker.joinable())
        m_worker.join();
    closeDevice();
}

platform::MidiResult RawMidiInstrumentClient::openDevice()
{
    int err = snd_rawmidi_open(&m_input, &m_output, m_device.c_str(), SND_RAWMIDI_NONBLOCK);
    if (err >= 0)
        err = platform::SetRawMidiBufferSize(m_input, kInputBufferBytes);
    if (err < 0) {
        closeDevice();
        return platform::RawMidiFailure("cannot open " + m_device, err);
    }
    m_connected = true;
    return platform::MidiResult::success();
}

void RawMidiInstrumentClient::closeDevice()
{
    if (m_input != nullptr)
        snd_rawmidi_close(m_input);
    if (m_output != nullptr)
        snd_rawmidi_close(m_output);
    m_input = nullptr;
    m_output = nullptr;
    m_connected = false;
}

void RawMidiInstrumentClient::workLoop()
{
    while (!m_stopRequested) {
        if (!m_connected) {
            if (openDevice().ok())
                m_notice(m_device + " is back; serving again");
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(kReopenIntervalMs));
            continue;
        }
        if (!serve()) {
            // Closing releases the card, so the kernel can hand it out again when the cable returns.
            closeDevice();
            m_core.interrupt();
            m_notice(m_device + " has gone away; waiting for it to come back");
        }
    }
}

bool RawMidiInstrumentClient::serve()
{
    const auto wait = m_core.timeToNextReply(InstrumentCore::Clock::now(), std::chrono::milliseconds(kWakeIntervalMs));
    const int ready = platform::WaitForRawMidi(m_input, static_cast<int>(wait.count()));
    if (ready < 0 || (ready > 0 && !readAvailable()))
        return false;
    return sendDueReplies();
}

bool RawMidiInstrumentClient::readAvailable()
{
    std::array<std::uint8_t, kReadChunk> chunk{};
    for (;;) {
        const ssize_t count = snd_rawmidi_read(m_input, chunk.data(), chunk.size());
        if (count == -EAGAIN || count == 0)
            return true;
        if (count < 0)
            return false;
        m_core.feed(chunk.data(), static_cast<std::size_t>(count));
    }
}

bool RawMidiInstrumentClient::sendDueReplies()
{
    while (const auto* reply = m_core.dueReply(InstrumentCore::Clock::now())) {
        const int err = platform::WriteWholeMessage(
            reply->data(), reply->size(),
            [this](const std::uint8_t* bytes, std::size_t count) {
                return static_cast<long>(snd_rawmidi_write(m_output, bytes, count));
            },
            [this](int timeoutMs) { return platform::WaitForRawMidi(m_output, timeoutMs); }, kStallTimeoutMs);
        if (err < 0 && err != -ETIMEDOUT)
            return false;
        m_core.popReply();
    }
    return true;
}
