#include "WinMmMidiOutput.h"

#include <algorithm>
#include <thread>

#include "WinMmText.h"

namespace platform {

namespace {

constexpr auto kUnprepareRetry = std::chrono::milliseconds(1);
// A driver that never lets a header go must not hold the program.
constexpr int kUnprepareRetries = 100;

}  // namespace

WinMmMidiOutput::Shared::~Shared()
{
    for (HANDLE event : {done, start, returned})
        if (event != nullptr)
            ::CloseHandle(event);
}

WinMmMidiOutput::WinMmMidiOutput(std::shared_ptr<WinMmApi> api, std::string name, WinMmDeviceWatch::Look present)
    : m_api(std::move(api)), m_name(std::move(name)), m_present(std::move(present))
{
}

WinMmMidiOutput::~WinMmMidiOutput()
{
    m_watch.reset();
    if (m_handle != nullptr)
        letGo(closeHandle());
}

MidiResult WinMmMidiOutput::open(unsigned number)
{
    Shared& shared = *m_shared;
    shared.api = m_api;
    shared.done = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    shared.start = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    shared.returned = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (shared.done == nullptr || shared.start == nullptr || shared.returned == nullptr)
        return MidiResult::failure(kMidiNoMemory);
    const MMRESULT result =
        m_api->midiOutOpen(&m_handle, number, reinterpret_cast<DWORD_PTR>(shared.done), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        m_handle = nullptr;
        if (result == MMSYSERR_BADDEVICEID || result == MMSYSERR_NODRIVER)
            return MidiResult::failure(kMidiBadDevice);
        return WinMmFailure(*m_api, m_name, result, true);
    }
    shared.handle = m_handle;
    if (m_present)
        m_watch = std::make_unique<WinMmDeviceWatch>(m_api, true, m_present, [done = shared.done] { ::SetEvent(done); });
    // Detached: a call that never comes back must not hold the port's end.
    std::thread([shared = m_shared] { sendLoop(shared); }).detach();
    return MidiResult::success();
}

void WinMmMidiOutput::sendLoop(const std::shared_ptr<Shared>& shared)
{
    for (;;) {
        ::WaitForSingleObject(shared->start, INFINITE);
        if (shared->quit)
            return;
        shared->result = shared->api->midiOutLongMsg(shared->handle, &shared->header, sizeof shared->header);
        ::SetEvent(shared->returned);
    }
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
    if (m_gone || m_callStuck)
        return gone();
    if (m_driverKeepsHeader)
        return m_lastResult.ok() ? gone() : m_lastResult;
    Shared& shared = *m_shared;
    shared.bytes.assign(message, message + length);
    shared.header = MIDIHDR{};
    shared.header.lpData = reinterpret_cast<LPSTR>(shared.bytes.data());
    shared.header.dwBufferLength = static_cast<DWORD>(length);
    // A MOM_DONE of an earlier message must not pass for this one's.
    ::ResetEvent(shared.done);
    ::ResetEvent(shared.returned);
    const MMRESULT result = m_api->midiOutPrepareHeader(m_handle, &shared.header, sizeof shared.header);
    if (result != MMSYSERR_NOERROR)
        return failure(result);
    m_sending = true;
    const auto wireTime = std::chrono::milliseconds(length * 1000 / kSlowestBytesPerSecond);
    m_deadline = std::chrono::steady_clock::now() + wireTime + std::chrono::milliseconds(kStallTimeoutMs);
    ::SetEvent(shared.start);
    return MidiResult::success();
}

bool WinMmMidiOutput::callReturned() const { return ::WaitForSingleObject(m_shared->returned, 0) == WAIT_OBJECT_0; }

MidiResult WinMmMidiOutput::sendState()
{
    if (!m_sending)
        return m_lastResult;
    if (callReturned()) {
        const MMRESULT result = m_shared->result;
        if (result != MMSYSERR_NOERROR) {
            // Neither MHDR_DONE nor MOM_DONE may follow a failed send: nothing is waited for.
            const MidiResult failed = failure(result);
            releaseHeader();
            return finish(failed);
        }
        if ((m_shared->header.dwFlags & MHDR_DONE) != 0) {
            releaseHeader();
            return finish(MidiResult::success());
        }
    }
    const bool unlisted = m_watch != nullptr && m_watch->gone();
    if (!unlisted && std::chrono::steady_clock::now() <= m_deadline)
        return MidiResult::failure(kMidiStillPlaying);
    if (!callReturned()) {
        // Inside the driver for good, as far as this run can wait: the header stays its.
        m_callStuck = true;
        m_driverKeepsHeader = true;
        return finish(gone());
    }
    // Queued and never done: the header stays the driver's until a close is refused.
    m_driverKeepsHeader = true;
    if (unlisted)
        return finish(failure(MMSYSERR_NODRIVER));
    return finish(MidiResult::failure(kMidiNotReady, "\"" + m_name + "\": the device took no data for " +
                                                         std::to_string(kStallTimeoutMs) + " ms"));
}

void WinMmMidiOutput::waitSent(std::chrono::microseconds timeout)
{
    if (!m_sending)
        return;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    const HANDLE events[] = {m_shared->done, m_shared->returned};
    // The returned event stays set once the call is back: then only the driver's done is waited for.
    if (callReturned())
        ::WaitForSingleObject(m_shared->done, static_cast<DWORD>(std::max<long long>(ms, 1)));
    else
        ::WaitForMultipleObjects(2, events, FALSE, static_cast<DWORD>(std::max<long long>(ms, 1)));
}

MidiResult WinMmMidiOutput::close()
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    if (m_sending && sendState().code == kMidiStillPlaying)
        return MidiResult::failure(kMidiStillPlaying);
    letGo(closeHandle());
    return MidiResult::success();
}

MidiResult WinMmMidiOutput::finish(MidiResult result)
{
    m_sending = false;
    m_lastResult = result;
    return result;
}

MidiResult WinMmMidiOutput::gone() const
{
    return MidiResult::failure(kMidiNoDevice, "\"" + m_name + "\" is no longer connected");
}

MidiResult WinMmMidiOutput::failure(MMRESULT result)
{
    // A look at the list on the run's thread, after a failure only.
    if (m_gone || (m_watch != nullptr && m_watch->gone()) || (m_present && !m_present())) {
        m_gone = true;
        return gone();
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

MMRESULT WinMmMidiOutput::closeHandle()
{
    // A call still inside the driver would have the handle closed under it.
    if (m_callStuck)
        return MIDIERR_STILLPLAYING;
    // The message handed over is sent before the sender thread is told to end.
    if (m_sending && !callReturned() && ::WaitForSingleObject(m_shared->returned, kStallTimeoutMs) != WAIT_OBJECT_0)
        return MIDIERR_STILLPLAYING;
    m_shared->quit = true;
    ::SetEvent(m_shared->start);
    MMRESULT closed = m_api->midiOutClose(m_handle);
    if (closed == MIDIERR_STILLPLAYING && !m_gone) {
        // Refused while a message is queued: only now is it taken back.
        m_api->midiOutReset(m_handle);
        m_driverKeepsHeader = !releaseHeader();
        closed = m_driverKeepsHeader ? MIDIERR_STILLPLAYING : m_api->midiOutClose(m_handle);
    }
    return closed;
}

void WinMmMidiOutput::letGo(MMRESULT closed)
{
    if (closed != MMSYSERR_NOERROR)
        WinMmKeptAlive::keep(m_shared, "the output \"" + m_name + "\"");
    m_handle = nullptr;
    m_sending = false;
    m_shared.reset();
}

}  // namespace platform
