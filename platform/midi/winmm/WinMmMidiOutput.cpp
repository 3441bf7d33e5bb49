#include "WinMmMidiOutput.h"

#include <algorithm>
#include <thread>

#include "WinMmText.h"

namespace platform {

namespace {

constexpr auto kUnprepareRetry = std::chrono::milliseconds(1);
// A driver that never lets a header go must not hold the program: the
// message is reset first, so a handful of retries is plenty.
constexpr int kUnprepareRetries = 100;

}  // namespace

WinMmMidiOutput::Shared::~Shared()
{
    if (done != nullptr)
        ::CloseHandle(done);
}

WinMmMidiOutput::WinMmMidiOutput(std::shared_ptr<WinMmApi> api, std::string name, PresenceCheck present)
    : m_api(std::move(api)), m_name(std::move(name)), m_present(std::move(present))
{
}

WinMmMidiOutput::~WinMmMidiOutput()
{
    if (m_handle == nullptr)
        return;
    withdraw();
    letGo(tryClose());
}

MidiResult WinMmMidiOutput::open(unsigned number)
{
    m_shared->done = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (m_shared->done == nullptr)
        return MidiResult::failure(kMidiNoMemory);
    const MMRESULT result =
        m_api->midiOutOpen(&m_handle, number, reinterpret_cast<DWORD_PTR>(m_shared->done), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        m_handle = nullptr;
        if (result == MMSYSERR_BADDEVICEID || result == MMSYSERR_NODRIVER)
            return MidiResult::failure(kMidiBadDevice);
        return WinMmFailure(*m_api, m_name, result, true);
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
    if (m_gone || m_driverKeepsHeader)
        return failure(MMSYSERR_NODRIVER);
    Shared& shared = *m_shared;
    shared.bytes.assign(message, message + length);
    shared.header = MIDIHDR{};
    shared.header.lpData = reinterpret_cast<LPSTR>(shared.bytes.data());
    shared.header.dwBufferLength = static_cast<DWORD>(length);
    // A MOM_DONE of an earlier message must not pass for this one's.
    ::ResetEvent(shared.done);
    MMRESULT result = m_api->midiOutPrepareHeader(m_handle, &shared.header, sizeof shared.header);
    if (result != MMSYSERR_NOERROR)
        return failure(result);
    result = m_api->midiOutLongMsg(m_handle, &shared.header, sizeof shared.header);
    if (result != MMSYSERR_NOERROR) {
        // Neither MHDR_DONE nor MOM_DONE may follow a failed send: nothing is waited for.
        const MidiResult failed = failure(result);
        releaseHeader();
        return failed;
    }
    if ((shared.header.dwFlags & MHDR_DONE) != 0) {
        // Sent already: Windows MIDI Services returns when the message is out.
        releaseHeader();
        return MidiResult::success();
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
    if ((m_shared->header.dwFlags & MHDR_DONE) != 0) {
        withdraw();
        return finish(MidiResult::success());
    }
    if (std::chrono::steady_clock::now() > m_deadline) {
        withdraw();
        return finish(MidiResult::failure(kMidiNotReady, "\"" + m_name + "\": the device took no data for " +
                                                             std::to_string(kStallTimeoutMs) + " ms"));
    }
    return MidiResult::failure(kMidiStillPlaying);
}

void WinMmMidiOutput::waitSent(std::chrono::microseconds timeout)
{
    if (!m_sending || (m_shared->header.dwFlags & MHDR_DONE) != 0)
        return;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    ::WaitForSingleObject(m_shared->done, static_cast<DWORD>(std::max<long long>(ms, 1)));
}

MidiResult WinMmMidiOutput::close()
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    if (m_sending && sendState().code == kMidiStillPlaying)
        return MidiResult::failure(kMidiStillPlaying);
    const MMRESULT result = tryClose();
    // The classic stack refuses while a buffer is queued, and the caller tries
    // again; a device that is gone may refuse for ever: what it may still use stays.
    if (result == MIDIERR_STILLPLAYING && !m_driverKeepsHeader && !m_gone && (!m_present || m_present()))
        return MidiResult::failure(kMidiStillPlaying);
    letGo(result);
    return MidiResult::success();
}

MidiResult WinMmMidiOutput::finish(MidiResult result)
{
    m_sending = false;
    m_lastResult = result;
    return result;
}

MidiResult WinMmMidiOutput::failure(MMRESULT result)
{
    if (m_gone || (m_present && !m_present())) {
        m_gone = true;
        return MidiResult::failure(kMidiNoDevice, "\"" + m_name + "\" is no longer connected");
    }
    return WinMmFailure(*m_api, m_name, result, true);
}

bool WinMmMidiOutput::releaseHeader()
{
    MIDIHDR& header = m_shared->header;
    if ((header.dwFlags & MHDR_PREPARED) == 0)
        return true;
    for (int retry = 0; retry < kUnprepareRetries; ++retry) {
        const MMRESULT result = m_api->midiOutUnprepareHeader(m_handle, &header, sizeof header);
        if (result == MMSYSERR_NOERROR)
            return true;
        if (result != MIDIERR_STILLPLAYING)
            break;
        std::this_thread::sleep_for(kUnprepareRetry);
    }
    m_driverKeepsHeader = true;
    return false;
}

void WinMmMidiOutput::withdraw()
{
    if (m_sending && (m_shared->header.dwFlags & MHDR_DONE) == 0)
        m_api->midiOutReset(m_handle);  // hands the message back, marked done
    m_sending = false;
    releaseHeader();
}

MMRESULT WinMmMidiOutput::tryClose()
{
    // A header the driver kept would be freed under it by a close.
    return m_driverKeepsHeader ? MIDIERR_STILLPLAYING : m_api->midiOutClose(m_handle);
}

void WinMmMidiOutput::letGo(MMRESULT closed)
{
    if (closed != MMSYSERR_NOERROR)
        WinMmKeptAlive::keep(std::move(m_shared), "the output \"" + m_name + "\"");
    m_handle = nullptr;
    m_shared.reset();
}

}  // namespace platform
