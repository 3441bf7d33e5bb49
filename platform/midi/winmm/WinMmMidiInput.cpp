#include "WinMmMidiInput.h"

#include <algorithm>
#include <cstring>

#include "TimingThread.h"
#include "WinMmText.h"

namespace platform {

WinMmMidiInput::WinMmMidiInput(std::shared_ptr<WinMmApi> api, MidiInCallback callback, void* instance,
                               std::string name, WinMmDeviceWatch::Look present)
    : MidiInput(callback, instance), m_api(std::move(api)), m_name(std::move(name)), m_present(std::move(present))
{
}

WinMmMidiInput::~WinMmMidiInput()
{
    if (m_handle != nullptr)
        stopDevice();
    m_stopWorker = true;
    if (m_worker.joinable()) {
        ::SetEvent(m_buffers->wake());
        m_worker.join();
    }
    m_watch.reset();
    if (m_handle != nullptr && !release())
        WinMmKeptAlive::keep(std::move(m_buffers), "the input \"" + m_name + "\"");
}

MidiResult WinMmMidiInput::open(unsigned number)
{
    const auto callback = reinterpret_cast<DWORD_PTR>(&WinMmInputBuffers::callback);
    const MMRESULT result = m_api->midiInOpen(&m_handle, number, callback, reinterpret_cast<DWORD_PTR>(m_buffers.get()),
                                              CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) {
        m_handle = nullptr;
        if (result == MMSYSERR_BADDEVICEID || result == MMSYSERR_NODRIVER)
            return MidiResult::failure(kMidiBadDevice);
        return WinMmFailure(*m_api, m_name, result, false);
    }
    for (std::size_t i = 0; i < WinMmInputBuffers::kCount; ++i) {
        MIDIHDR& header = m_buffers->header(i);
        const MMRESULT prepared = m_api->midiInPrepareHeader(m_handle, &header, sizeof header);
        if (prepared != MMSYSERR_NOERROR)
            return WinMmFailure(*m_api, m_name, prepared, false);
    }
    if (m_present)
        m_watch = std::make_unique<WinMmDeviceWatch>(m_api, false, m_present,
                                                     [wake = m_buffers->wake()] { ::SetEvent(wake); });
    m_worker = std::thread([this] { serve(); });
    return MidiResult::success();
}

MidiResult WinMmMidiInput::startDevice()
{
    if (m_handle == nullptr)
        return MidiResult::failure(kMidiInvalidHandle);
    stopDevice();
    if (m_driverKeepsBuffers)
        return MidiResult::failure(kMidiNoDevice, "\"" + m_name + "\" is no longer connected");
    {
        const std::lock_guard delivering(m_delivering);
        m_assembler.reset();
    }
    m_running = true;
    for (std::size_t i = 0; i < WinMmInputBuffers::kCount; ++i) {
        MIDIHDR& header = m_buffers->header(i);
        m_buffers->lend(&header);
        const MMRESULT added = m_api->midiInAddBuffer(m_handle, &header, sizeof header);
        if (added != MMSYSERR_NOERROR) {
            m_buffers->takeBack(&header);
            m_running = false;
            return WinMmFailure(*m_api, m_name, added, false);
        }
    }
    const MMRESULT started = m_api->midiInStart(m_handle);
    if (started != MMSYSERR_NOERROR) {
        m_running = false;
        return WinMmFailure(*m_api, m_name, started, false);
    }
    return MidiResult::success();
}

void WinMmMidiInput::stopDevice()
{
    if (m_handle == nullptr || m_driverKeepsBuffers)
        return;
    m_running = false;
    {
        // A buffer on its way back to the driver gets there before the reset.
        const std::lock_guard queued(m_queueing);
    }
    // The worker hands on nothing while the buffers are taken back, whatever
    // the reset answers. Called from the worker's own delivery (a consumer
    // closing from its callback) the worker cannot be waited for: it takes
    // the buffers itself.
    std::unique_lock<std::mutex> delivering(m_delivering, std::defer_lock);
    if (std::this_thread::get_id() != m_worker.get_id())
        delivering.lock();
    // Hands every queued buffer back through the callback; Windows MIDI
    // Services does so on this thread, the classic stack on the driver's.
    if (m_api->midiInReset(m_handle) != MMSYSERR_NOERROR || !waitForBuffers())
        m_driverKeepsBuffers = true;
}

bool WinMmMidiInput::waitForBuffers()
{
    const DWORD began = ::GetTickCount();
    for (;;) {
        takeReturned(false);
        // Counted with those handed back meanwhile: a late callback's buffer
        // left in the ring would be queued a second time after a restart.
        if (m_buffers->outstanding() == 0)
            return true;
        if (::GetTickCount() - began > kReturnLimitMs)
            return false;
        ::WaitForSingleObject(m_buffers->wake(), 1);
    }
}

void WinMmMidiInput::serve()
{
    // Each returned buffer must be queued again within the driver's 10 ms,
    // however busy the machine is.
    SetUpTimingThread("vantrel-winmm-in");
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    while (!m_stopWorker) {
        ::WaitForSingleObject(m_buffers->wake(), INFINITE);
        if (m_stopWorker)
            break;
        {
            const std::lock_guard delivering(m_delivering);
            takeReturned(true);
        }
        const bool gone = m_buffers->closedByDriver() || (m_watch != nullptr && m_watch->gone());
        if (gone && m_running)
            reportGone();
    }
}

void WinMmMidiInput::takeReturned(bool deliver)
{
    while (MIDIHDR* header = m_buffers->nextReturned()) {
        const std::size_t length = deliver ? std::min<std::size_t>(header->dwBytesRecorded, m_received.size()) : 0;
        std::memcpy(m_received.data(), header->lpData, length);
        // Queued again before anything is delivered: the driver waits at most
        // 10 ms for a buffer in the middle of a long message.
        queue(header);
        if (m_running && length > 0)
            m_assembler.feed(m_received.data(), length,
                             [this](const std::uint8_t* bytes, std::size_t size) { deliverSysEx(bytes, size); });
    }
}

void WinMmMidiInput::queue(MIDIHDR* header)
{
    const std::lock_guard queueing(m_queueing);
    if (!m_running)
        return;
    m_buffers->lend(header);
    if (m_api->midiInAddBuffer(m_handle, header, sizeof *header) != MMSYSERR_NOERROR)
        m_buffers->takeBack(header);
}

void WinMmMidiInput::reportGone()
{
    if (m_reportedGone)
        return;
    m_reportedGone = true;
    reportDeviceFailure(MidiResult::failure(kMidiNoDevice, "\"" + m_name + "\" is no longer connected"));
}

bool WinMmMidiInput::release()
{
    if (m_driverKeepsBuffers)
        return false;
    for (std::size_t i = 0; i < WinMmInputBuffers::kCount; ++i) {
        MIDIHDR& header = m_buffers->header(i);
        if (m_api->midiInUnprepareHeader(m_handle, &header, sizeof header) != MMSYSERR_NOERROR)
            return false;
    }
    // Every buffer is back: a driver still busy is asked again for a while,
    // then what it holds is kept.
    const DWORD began = ::GetTickCount();
    MMRESULT closed = MIDIERR_STILLPLAYING;
    while ((closed = m_api->midiInClose(m_handle)) == MIDIERR_STILLPLAYING && ::GetTickCount() - began < kCloseLimitMs)
        ::Sleep(0);
    return closed == MMSYSERR_NOERROR;
}

}  // namespace platform
