#include "WinMmMidiOutput.h"

#include <algorithm>
#include <thread>

#include "WinMmText.h"

namespace platform {

namespace {

constexpr auto kUnprepareRetry = std::chrono::milliseconds(1);
// A driver that never lets a header go must not hold the program: the
// header is reset first, so a handful of retries is plenty.
constexpr int kUnprepareRetries = 100;

}  // namespace

WinMmMidiOutput::WinMmMidiOutput(std::string name) : m_name(std::move(name)) {}

WinMmMidiOutput::~WinMmMidiOutput()
{
    if (m_handle == nullptr)
        return;
    withdraw();
    ::midiOutClose(m_handle);
    ::CloseHandle(m_done);
}

MidiResult WinMmMidiOutput::open(unsigned number)
{
    m_done = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (m_done == nullptr)
        return MidiResult::failure(kMidiNoMemory);
    const MMRESULT result = ::midiOutOpen(&m_handle, number, reinterpret_cast<DWORD_PTR>(m_done), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        m_handle = nullptr;
        ::CloseHandle(m_done);
        m_done = nullptr;
        return result == MMSYSERR_BADDEVICEID || result == MMSYSERR_NODRIVER ? MidiResult::failure(kMidiBadDevice)
                                                                              : WinMmFailure(m_name, result, true);
    }
    return MidiResult::success();
}

MidiResult WinMmMidiOutput::sendSysEx(const std::uint8_t* message, std::size_t length)
{
    return sendInSteps(message, length);
}

MidiResult WinMmMidiOutput::startSysEx(const std::uint8_t* message, std::size_t length)
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    if (message == nullptr || length == 0 || length > MAXDWORD)
        return MidiResult::failure(kMidiInvalidParam);
    if (m_sending)
        return MidiResult::failure(kMidiStillPlaying);
    m_header = MIDIHDR{};
    m_header.lpData = reinterpret_cast<LPSTR>(const_cast<std::uint8_t*>(message));
    m_header.dwBufferLength = static_cast<DWORD>(length);
    MMRESULT result = ::midiOutPrepareHeader(m_handle, &m_header, sizeof m_header);
    if (result != MMSYSERR_NOERROR)
        return WinMmFailure(m_name, result, true);
    result = ::midiOutLongMsg(m_handle, &m_header, sizeof m_header);
    if (result != MMSYSERR_NOERROR) {
        ::midiOutUnprepareHeader(m_handle, &m_header, sizeof m_header);
        return WinMmFailure(m_name, result, true);
    }
    m_sending = true;
    const auto wireTime = std::chrono::milliseconds(length * 1000 / kSlowestBytesPerSecond);
    m_deadline = std::chrono::steady_clock::now() + wireTime + std::chrono::milliseconds(kStallTimeoutMs);
    return MidiResult::success();
}

MidiResult WinMmMidiOutput::sendState()
{
    if (!m_sending)
        return m_lastResult;
    if ((m_header.dwFlags & MHDR_DONE) != 0) {
        withdraw();
        return finish(MidiResult::success());
    }
    if (std::chrono::steady_clock::now() > m_deadline) {
        withdraw();
        return finish(MidiResult::failure(
            kMidiNotReady, "\"" + m_name + "\": the device took no data for " + std::to_string(kStallTimeoutMs) + " ms"));
    }
    return MidiResult::failure(kMidiStillPlaying);
}

void WinMmMidiOutput::waitSent(std::chrono::microseconds timeout)
{
    if (!m_sending || (m_header.dwFlags & MHDR_DONE) != 0)
        return;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    ::WaitForSingleObject(m_done, static_cast<DWORD>(std::max<long long>(ms, 1)));
}

MidiResult WinMmMidiOutput::close()
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    if (m_sending && sendState().code == kMidiStillPlaying)
        return MidiResult::failure(kMidiStillPlaying);
    const MMRESULT result = ::midiOutClose(m_handle);
    if (result == MIDIERR_STILLPLAYING)
        return MidiResult::failure(kMidiStillPlaying);
    m_handle = nullptr;
    ::CloseHandle(m_done);
    m_done = nullptr;
    return MidiResult::success();
}

MidiResult WinMmMidiOutput::finish(MidiResult result)
{
    m_sending = false;
    m_lastResult = result;
    return result;
}

void WinMmMidiOutput::withdraw()
{
    if ((m_header.dwFlags & MHDR_PREPARED) == 0)
        return;
    if ((m_header.dwFlags & MHDR_DONE) == 0)
        ::midiOutReset(m_handle);  // hands the message back, marked done
    for (int retry = 0; retry < kUnprepareRetries; ++retry) {
        if (::midiOutUnprepareHeader(m_handle, &m_header, sizeof m_header) != MIDIERR_STILLPLAYING)
            break;
        std::this_thread::sleep_for(kUnprepareRetry);
    }
    m_sending = false;
}

}  // namespace platform
