#include "WinMmMidiInput.h"

#include <cstring>
#include <thread>

#include "WinMmText.h"

namespace platform {

namespace {

constexpr auto kCloseRetry = std::chrono::milliseconds(1);
constexpr int kCloseRetries = 1000;

}  // namespace

WinMmMidiInput::WinMmMidiInput(MidiInCallback callback, void* instance, std::string name)
    : MidiInput(callback, instance), m_name(std::move(name))
{
}

WinMmMidiInput::~WinMmMidiInput()
{
    if (m_handle == nullptr)
        return;
    stopDevice();
    for (MIDIHDR& header : m_headers)
        ::midiInUnprepareHeader(m_handle, &header, sizeof header);
    // Still playing only while a buffer is queued; the reset above returned them all.
    for (int retry = 0; retry < kCloseRetries && ::midiInClose(m_handle) == MIDIERR_STILLPLAYING; ++retry)
        std::this_thread::sleep_for(kCloseRetry);
}

MidiResult WinMmMidiInput::open(unsigned number)
{
    m_closing = true;  // nothing is delivered before the input starts
    const MMRESULT result = ::midiInOpen(&m_handle, number, reinterpret_cast<DWORD_PTR>(&onMidiIn),
                                         reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) {
        m_handle = nullptr;
        return result == MMSYSERR_BADDEVICEID || result == MMSYSERR_NODRIVER ? MidiResult::failure(kMidiBadDevice)
                                                                              : WinMmFailure(m_name, result, false);
    }
    for (std::size_t i = 0; i < kBufferCount; ++i) {
        m_headers[i].lpData = reinterpret_cast<LPSTR>(m_buffers[i].data());
        m_headers[i].dwBufferLength = kBufferBytes;
        const MMRESULT prepared = ::midiInPrepareHeader(m_handle, &m_headers[i], sizeof m_headers[i]);
        if (prepared != MMSYSERR_NOERROR)
            return WinMmFailure(m_name, prepared, false);
    }
    return MidiResult::success();
}

MidiResult WinMmMidiInput::startDevice()
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    stopDevice();
    m_assembler.reset();
    m_closing = false;
    for (MIDIHDR& header : m_headers) {
        const MMRESULT added = ::midiInAddBuffer(m_handle, &header, sizeof header);
        if (added != MMSYSERR_NOERROR)
            return WinMmFailure(m_name, added, false);
    }
    const MMRESULT started = ::midiInStart(m_handle);
    return started == MMSYSERR_NOERROR ? MidiResult::success() : WinMmFailure(m_name, started, false);
}

void WinMmMidiInput::stopDevice()
{
    if (m_handle == nullptr)
        return;
    m_closing = true;
    // Stops input and hands every queued buffer back through the callback,
    // which leaves them alone now. The callback may run on the driver's
    // thread during the reset, so the lock is not held across it; taking it
    // afterwards waits out a delivery still at work.
    ::midiInReset(m_handle);
    const std::lock_guard<std::mutex> wait(m_callbackMutex);
}

void CALLBACK WinMmMidiInput::onMidiIn(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR)
{
    auto* input = reinterpret_cast<WinMmMidiInput*>(instance);
    if (message == MIM_LONGDATA || message == MIM_LONGERROR)
        input->onLongData(reinterpret_cast<MIDIHDR*>(param1));
    else if (message == MIM_CLOSE)
        input->onClosed();
}

void WinMmMidiInput::onLongData(MIDIHDR* header)
{
    const std::lock_guard<std::mutex> delivering(m_callbackMutex);
    if (m_closing)
        return;
    // Copied out and queued again before anything is delivered, so the
    // driver has the buffer back before the reply is announced.
    const std::size_t length = std::min<std::size_t>(header->dwBytesRecorded, m_received.size());
    std::memcpy(m_received.data(), header->lpData, length);
    header->dwBytesRecorded = 0;
    ::midiInAddBuffer(m_handle, header, sizeof *header);
    m_assembler.feed(m_received.data(), length,
                     [this](const std::uint8_t* bytes, std::size_t size) { deliverSysEx(bytes, size); });
}

void WinMmMidiInput::onClosed()
{
    // A close we did not ask for: the driver took the device away (unplugged).
    if (!m_closing)
        reportDeviceFailure(MidiResult::failure(kMidiNoDevice, "\"" + m_name + "\" is no longer connected"));
}

}  // namespace platform
