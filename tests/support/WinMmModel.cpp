#include "WinMmModel.h"

#include "WinMmCallbackScope.h"

#include <gtest/gtest.h>

#include <mmddk.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <set>

namespace {

// What the MidiInProc page allows inside the callback, as far as it goes through the seam.
bool AllowedInCallback(const char* call)
{
    return std::strcmp(call, "midiOutLongMsg") == 0 || std::strcmp(call, "midiOutShortMsg") == 0;
}

// Services waits this long for a buffer when a message begins and in its middle (tracker 1157).
constexpr std::chrono::milliseconds kServicesWaitAtStart{1};
constexpr std::chrono::milliseconds kServicesWaitMidMessage{10};
// Services sends a long message in pieces of at most this many bytes (tracker 1157).
constexpr std::size_t kServicesPieceBytes = 2048;
// Services' caps of a number that is no longer there (tracker 1157).
constexpr const wchar_t* kUnavailableName = L"(unavailable)";
// Services stays this long inside a send to a pulled device (tracker 831).
constexpr std::chrono::seconds kServicesBlockedSend{5};
// "All notes off" and "reset all controllers" on each of 16 channels (midir tracker 122).
constexpr std::size_t kResetWireMessages = 32;
// When a pulled device's driver writes into the buffers it kept.
constexpr std::chrono::milliseconds kKeptBufferWrite{20};
// A reset that goes on handing back buffers queued again from its own callback.
constexpr int kResetLoopLimit = 1000;

}  // namespace



struct WinMmModel::InPort {
    std::size_t device = 0;
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    bool started = false;
    bool closed = false;
    bool gone = false;   // pulled: the handle answers errors
    bool stuck = false;  // pulled on Services: the queued buffers stay the driver's for good
    std::deque<MIDIHDR*> queue;
};

struct WinMmModel::OutPort {
    std::size_t device = 0;
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    DWORD kind = CALLBACK_NULL;
    bool closed = false;
    bool gone = false;
    bool stuck = false;
    std::set<MIDIHDR*> prepared;
    std::deque<MIDIHDR*> playing;  // classic: queued and on the wire
    Clock::time_point wireFree;
};

//! One call through the seam: fails the test when made from inside a callback
//! Windows forbids it in, and runs the model's own work outside the callback's count.
class WinMmModel::Call {
public:
    Call(WinMmModel& model, const char* name) : m_depth(WinMmCallbackScope::depth())
    {
        if (m_depth > 0 && !AllowedInCallback(name)) {
            WinMmCallbackScope::setDepth(0);
            {
                std::lock_guard lock(model.m_mutex);
                ++model.m_statistics.forbiddenCalls;
            }
            ADD_FAILURE() << name << " called inside a WinMM callback; Windows allows only EnterCriticalSection, "
                          << "LeaveCriticalSection, midiOutLongMsg, midiOutShortMsg, OutputDebugString, PostMessage, "
                          << "PostThreadMessage, SetEvent, timeGetSystemTime, timeGetTime, timeKillEvent, timeSetEvent";
        }
        WinMmCallbackScope::setDepth(0);
    }
    ~Call() { WinMmCallbackScope::setDepth(m_depth); }
    //! Callbacks the caller is inside of.
    int depth() const { return m_depth; }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

private:
    int m_depth;
};

WinMmModel::WinMmModel(Profile profile)
    : m_profile(profile), m_allocationsBefore(WinMmCallbackScope::allocations()), m_driver([this] { driverLoop(); })
{
}

WinMmModel::~WinMmModel() { finish(); }

std::string WinMmModel::profileName(Profile profile)
{
    switch (profile) {
    case Profile::Classic: return "Classic";
    case Profile::Services: return "Services";
    case Profile::ServicesFixed: return "ServicesFixed";
    }
    return {};
}

void WinMmModel::finish()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_stopping = true;
    }
    m_changed.notify_all();
    m_driver.join();
    scribbleKeptBuffers();
    const std::size_t allocations = WinMmCallbackScope::allocations() - m_allocationsBefore;
    m_statistics.allocationsInCallbacks = allocations;
    EXPECT_EQ(allocations, 0u) << "a WinMM callback allocated memory: MidiInProc may call none of the heap's functions";
}

std::size_t WinMmModel::plug(const std::string& name, const platform::SimulatedInstrument::Config& config)
{
    std::lock_guard lock(m_mutex);
    auto device = std::make_unique<Device>(name, config);
    device->order = m_devices.size();
    // A USB audio device's interface: its serial number keeps it the same on every port and after a re-plug.
    device->path = L"\\\\?\\USB#VID_1D9A&PID_0061#" + std::to_wstring(10000 + m_devices.size()) +
                   L"#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\global";
    m_devices.push_back(std::move(device));
    noteDeviceChange();
    return m_devices.size() - 1;
}

void WinMmModel::pull(std::size_t device)
{
    std::lock_guard lock(m_mutex);
    pullLocked(device);
}

void WinMmModel::replug(std::size_t device)
{
    std::lock_guard lock(m_mutex);
    Device& plugged = *m_devices.at(device);
    plugged.present = true;
    plugged.reconnects += servicesStack() ? 1 : 0;
    std::size_t last = 0;
    for (const auto& other : m_devices)
        last = std::max(last, other->order);
    plugged.order = last + 1;
    noteDeviceChange();
}

void WinMmModel::setInterfacePaths(bool given)
{
    std::lock_guard lock(m_mutex);
    m_interfacePaths = given;
}

void WinMmModel::setDeviceNotices(bool given)
{
    std::lock_guard lock(m_mutex);
    m_deviceNotices = given;
}

void WinMmModel::stallListCalls(std::chrono::milliseconds stall, std::size_t count)
{
    std::lock_guard lock(m_mutex);
    m_listStall = stall;
    m_stalledListCalls = count;
}

void WinMmModel::freezeLists()
{
    std::lock_guard lock(m_mutex);
    m_frozenList = listed();
}

void WinMmModel::noteDeviceChange()
{
    for (HANDLE wake : m_noticed)
        ::SetEvent(wake);
}

void WinMmModel::listCall()
{
    std::unique_lock lock(m_mutex);
    ++m_statistics.listCalls;
    m_changed.notify_all();
    if (m_stalledListCalls == 0)
        return;
    --m_stalledListCalls;
    m_changed.wait_for(lock, m_listStall, [this] { return m_stopping; });
}

std::shared_ptr<void> WinMmModel::watchDeviceChanges(HANDLE wake)
{
    Call call(*this, "watchDeviceChanges");
    std::lock_guard lock(m_mutex);
    if (!m_deviceNotices)
        return nullptr;
    m_noticed.insert(wake);
    return std::shared_ptr<void>(wake, [this](void* event) {
        std::lock_guard unregistering(m_mutex);
        m_noticed.erase(static_cast<HANDLE>(event));
    });
}

void WinMmModel::scribbleKeptBuffers()
{
    std::lock_guard lock(m_mutex);
    for (const auto& [header, queued] : m_kept) {
        // Still the driver's: a backend that freed it would show here, or in the write.
        if (header->lpData != queued.first || header->dwBufferLength != queued.second) {
            ADD_FAILURE() << "a buffer the driver kept after a pull was freed or reused";
            continue;
        }
        std::memset(header->lpData, 0xEE, header->dwBufferLength);
    }
}

void WinMmModel::pullOnceWritten(std::size_t device, std::size_t words)
{
    onceWritten(device, words, [this, device] { pull(device); });
}

void WinMmModel::onceWritten(std::size_t device, std::size_t words, std::function<void()> action)
{
    std::lock_guard lock(m_mutex);
    m_devices.at(device)->actOnceWritten = words;
    m_devices.at(device)->action = std::move(action);
}

bool WinMmModel::listCallsReach(std::size_t count, std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_statistics.listCalls >= count; });
}

void WinMmModel::pullOnceReceived(std::size_t device, std::size_t count)
{
    std::lock_guard lock(m_mutex);
    m_devices.at(device)->pullOnceReceived = count;
}

std::chrono::steady_clock::time_point WinMmModel::pulledAt(std::size_t device)
{
    std::lock_guard lock(m_mutex);
    return m_devices.at(device)->pulledAt;
}

void WinMmModel::setClassicOutputRate(std::uint32_t bytesPerSecond)
{
    std::lock_guard lock(m_mutex);
    m_classicBytesPerSecond = bytesPerSecond;
}

std::vector<WinMmModel::Bytes> WinMmModel::received(std::size_t device, std::size_t count,
                                                    std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    const Device& instrument = *m_devices.at(device);
    m_changed.wait_for(lock, limit, [&] { return instrument.received.size() >= count; });
    return instrument.received;
}

WinMmModel::Statistics WinMmModel::statistics()
{
    std::lock_guard lock(m_mutex);
    Statistics statistics = m_statistics;
    statistics.allocationsInCallbacks = WinMmCallbackScope::allocations() - m_allocationsBefore;
    return statistics;
}

void WinMmModel::pullLocked(std::size_t device)
{
    Device& pulled = *m_devices.at(device);
    if (!pulled.present)
        return;
    pulled.present = false;
    pulled.pulledAt = Clock::now();
    for (const auto& port : m_inPorts) {
        if (port->device != device || port->closed || port->gone)
            continue;
        port->gone = true;
        port->started = false;
        port->stuck = buffersStuckOnPull();
        if (!port->stuck)
            schedule(Clock::now(), [this, input = port.get()] {
                returnBuffers(input);
                callIn(input, MIM_CLOSE, 0);
            });
        for (MIDIHDR* header : port->stuck ? port->queue : std::deque<MIDIHDR*>{})
            m_kept[header] = {header->lpData, header->dwBufferLength};
    }
    if (!m_kept.empty())
        schedule(Clock::now() + kKeptBufferWrite, [this] { scribbleKeptBuffers(); });
    for (const auto& port : m_outPorts) {
        if (port->device != device || port->closed)
            continue;
        port->gone = true;
        port->stuck = buffersStuckOnPull();
    }
    noteDeviceChange();
    m_changed.notify_all();
}

std::vector<std::size_t> WinMmModel::listed() const
{
    if (m_frozenList)
        return *m_frozenList;
    std::vector<std::size_t> present;
    for (std::size_t i = 0; i < m_devices.size(); ++i)
        if (m_devices[i]->present)
            present.push_back(i);
    std::sort(present.begin(), present.end(),
              [&](std::size_t a, std::size_t b) { return m_devices[a]->order < m_devices[b]->order; });
    return present;
}

std::optional<std::size_t> WinMmModel::deviceAt(UINT number) const
{
    const std::vector<std::size_t> devices = listed();
    if (number >= devices.size())
        return std::nullopt;
    return devices[number];
}

std::wstring WinMmModel::listedName(const Device& device) const
{
    std::string name = device.name;
    for (unsigned reconnect = 1; reconnect <= device.reconnects; ++reconnect)
        name = std::to_string(reconnect + 1) + "- " + name;
    std::wstring wide(name.begin(), name.end());
    wide.resize(std::min<std::size_t>(wide.size(), MAXPNAMELEN - 1));
    return wide;
}

WinMmModel::InPort* WinMmModel::inPort(HMIDIIN handle) const
{
    for (const auto& port : m_inPorts)
        if (reinterpret_cast<HMIDIIN>(port.get()) == handle && !port->closed)
            return port.get();
    return nullptr;
}

WinMmModel::OutPort* WinMmModel::outPort(HMIDIOUT handle) const
{
    for (const auto& port : m_outPorts)
        if (reinterpret_cast<HMIDIOUT>(port.get()) == handle && !port->closed)
            return port.get();
    return nullptr;
}

void WinMmModel::schedule(Clock::time_point due, std::function<void()> task)
{
    m_tasks.emplace(due, std::move(task));
    m_changed.notify_all();
}

UINT WinMmModel::midiInGetNumDevs()
{
    Call call(*this, "midiInGetNumDevs");
    return midiOutGetNumDevs();
}

UINT WinMmModel::midiOutGetNumDevs()
{
    Call call(*this, "midiOutGetNumDevs");
    listCall();
    std::lock_guard lock(m_mutex);
    return static_cast<UINT>(listed().size());
}

MMRESULT WinMmModel::midiInGetDevCapsW(UINT_PTR device, MIDIINCAPSW* caps, UINT size)
{
    Call call(*this, "midiInGetDevCapsW");
    MIDIOUTCAPSW out{};
    const MMRESULT result = midiOutGetDevCapsW(device, &out, sizeof out);
    if (result == MMSYSERR_NOERROR && size >= sizeof *caps) {
        *caps = MIDIINCAPSW{};
        std::memcpy(caps->szPname, out.szPname, sizeof caps->szPname);
    }
    return result;
}

MMRESULT WinMmModel::midiOutGetDevCapsW(UINT_PTR device, MIDIOUTCAPSW* caps, UINT size)
{
    Call call(*this, "midiOutGetDevCapsW");
    if (caps == nullptr || size < sizeof *caps)
        return MMSYSERR_INVALPARAM;
    listCall();
    std::lock_guard lock(m_mutex);
    const auto found = deviceAt(static_cast<UINT>(device));
    if (!found && !servicesStack())
        return MMSYSERR_BADDEVICEID;
    const std::wstring name = found ? listedName(*m_devices[*found]) : std::wstring(kUnavailableName);
    *caps = MIDIOUTCAPSW{};
    std::copy(name.begin(), name.end(), caps->szPname);
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInGetErrorTextW(MMRESULT result, LPWSTR text, UINT size)
{
    Call call(*this, "midiInGetErrorTextW");
    return midiOutGetErrorTextW(result, text, size);
}

MMRESULT WinMmModel::midiOutGetErrorTextW(MMRESULT result, LPWSTR text, UINT size)
{
    Call call(*this, "midiOutGetErrorTextW");
    // The texts of an English Windows.
    static const std::map<MMRESULT, std::wstring> texts = {
        {MMSYSERR_ERROR, L"Undefined external error."},
        {MMSYSERR_BADDEVICEID, L"A device ID has been used that is out of range for your system."},
        {MMSYSERR_INVALHANDLE, L"The specified device handle is invalid."},
        {MMSYSERR_NODRIVER, L"There is no driver installed on your system."},
        {MMSYSERR_INVALPARAM, L"An invalid parameter was passed to a system function."},
        {MIDIERR_UNPREPARED, L"The header has not been prepared."},
        {MIDIERR_STILLPLAYING, L"Cannot perform this operation while media data is still playing."},
    };
    const auto found = texts.find(result);
    if (found == texts.end() || text == nullptr || size <= found->second.size())
        return MMSYSERR_BADERRNUM;
    std::copy(found->second.begin(), found->second.end(), text);
    text[found->second.size()] = L'\0';
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInMessage(HMIDIIN handle, UINT message, DWORD_PTR param1, DWORD_PTR param2)
{
    Call call(*this, "midiInMessage");
    return midiOutMessage(reinterpret_cast<HMIDIOUT>(handle), message, param1, param2);
}

MMRESULT WinMmModel::midiOutMessage(HMIDIOUT handle, UINT message, DWORD_PTR param1, DWORD_PTR param2)
{
    Call call(*this, "midiOutMessage");
    const auto number = static_cast<UINT>(reinterpret_cast<UINT_PTR>(handle));
    if (message != DRV_QUERYDEVICEINTERFACESIZE && message != DRV_QUERYDEVICEINTERFACE)
        return MMSYSERR_NOTSUPPORTED;
    listCall();
    std::lock_guard lock(m_mutex);
    if (!m_interfacePaths)
        return MMSYSERR_NOTSUPPORTED;
    const auto found = deviceAt(number);
    if (!found)
        return MMSYSERR_BADDEVICEID;
    const std::wstring& path = m_devices[*found]->path;
    const ULONG bytes = static_cast<ULONG>((path.size() + 1) * sizeof(wchar_t));
    if (message == DRV_QUERYDEVICEINTERFACESIZE) {
        *reinterpret_cast<ULONG*>(param1) = bytes;
        return MMSYSERR_NOERROR;
    }
    if (param2 < bytes)
        return MMSYSERR_INVALPARAM;
    std::copy(path.c_str(), path.c_str() + path.size() + 1, reinterpret_cast<wchar_t*>(param1));
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInOpen(HMIDIIN* handle, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    Call call(*this, "midiInOpen");
    if (handle == nullptr || (flags & CALLBACK_TYPEMASK) != CALLBACK_FUNCTION)
        return MMSYSERR_INVALPARAM;
    InPort* port = nullptr;
    {
        std::lock_guard lock(m_mutex);
        const auto found = deviceAt(device);
        if (!found)
            return MMSYSERR_BADDEVICEID;
        if (!m_devices[*found]->present)
            return MMSYSERR_NODRIVER;
        m_inPorts.push_back(std::make_unique<InPort>());
        port = m_inPorts.back().get();
        port->device = *found;
        port->callback = callback;
        port->instance = instance;
    }
    *handle = reinterpret_cast<HMIDIIN>(port);
    callIn(port, MIM_OPEN, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInClose(HMIDIIN handle)
{
    Call call(*this, "midiInClose");
    InPort* port = nullptr;
    {
        std::lock_guard lock(m_mutex);
        port = inPort(handle);
        if (port == nullptr)
            return MMSYSERR_INVALHANDLE;
        if (port->stuck || !port->queue.empty()) {
            ++m_statistics.refusedCloses;
            return MIDIERR_STILLPLAYING;
        }
        port->closed = true;
        m_changed.notify_all();
    }
    callIn(port, MIM_CLOSE, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInPrepareHeader(HMIDIIN handle, MIDIHDR* header, UINT size)
{
    Call call(*this, "midiInPrepareHeader");
    std::lock_guard lock(m_mutex);
    if (inPort(handle) == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size != sizeof(MIDIHDR) || header->lpData == nullptr || header->dwBufferLength == 0)
        return MMSYSERR_INVALPARAM;
    header->dwFlags |= MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInUnprepareHeader(HMIDIIN handle, MIDIHDR* header, UINT size)
{
    Call call(*this, "midiInUnprepareHeader");
    std::lock_guard lock(m_mutex);
    InPort* port = inPort(handle);
    if (port == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size != sizeof(MIDIHDR))
        return MMSYSERR_INVALPARAM;
    if (std::find(port->queue.begin(), port->queue.end(), header) != port->queue.end())
        return MIDIERR_STILLPLAYING;
    header->dwFlags &= ~MHDR_PREPARED;
    m_handedBack.erase(header);
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInAddBuffer(HMIDIIN handle, MIDIHDR* header, UINT size)
{
    Call call(*this, "midiInAddBuffer");
    std::lock_guard lock(m_mutex);
    InPort* port = inPort(handle);
    if (port == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size != sizeof(MIDIHDR))
        return MMSYSERR_INVALPARAM;
    if ((header->dwFlags & MHDR_PREPARED) == 0)
        return MIDIERR_UNPREPARED;
    if (port->gone)
        return MMSYSERR_NODRIVER;
    if (std::find(port->queue.begin(), port->queue.end(), header) != port->queue.end())
        return MIDIERR_STILLPLAYING;
    header->dwFlags = (header->dwFlags | MHDR_INQUEUE) & ~MHDR_DONE;
    header->dwBytesRecorded = 0;
    port->queue.push_back(header);
    if (const auto handedBack = m_handedBack.find(header); handedBack != m_handedBack.end()) {
        const auto out = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - handedBack->second);
        m_statistics.worstRequeue = std::max(m_statistics.worstRequeue, out);
        m_handedBack.erase(handedBack);
    }
    m_changed.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInStart(HMIDIIN handle)
{
    Call call(*this, "midiInStart");
    std::lock_guard lock(m_mutex);
    InPort* port = inPort(handle);
    if (port == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (port->gone)
        return MMSYSERR_NODRIVER;
    port->started = true;
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInStop(HMIDIIN handle)
{
    Call call(*this, "midiInStop");
    std::lock_guard lock(m_mutex);
    InPort* port = inPort(handle);
    if (port == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (port->stuck)
        return MMSYSERR_NODRIVER;
    port->started = false;
    m_changed.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiInReset(HMIDIIN handle)
{
    Call call(*this, "midiInReset");
    InPort* port = nullptr;
    {
        std::lock_guard lock(m_mutex);
        port = inPort(handle);
        if (port == nullptr)
            return MMSYSERR_INVALHANDLE;
        if (port->stuck)
            return MMSYSERR_NODRIVER;
        port->started = false;
        m_changed.notify_all();
    }
    if (servicesStack() || call.depth() > 0) {
        returnBuffers(port);
        return MMSYSERR_NOERROR;
    }
    // The classic driver takes the queued buffers at once and hands them back
    // on its own thread, maybe after the reset returned.
    std::lock_guard lock(m_mutex);
    std::deque<MIDIHDR*> taken;
    taken.swap(port->queue);
    for (MIDIHDR* header : taken) {
        header->dwBytesRecorded = 0;
        header->dwFlags = (header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE;
    }
    schedule(Clock::now(), [this, port, taken] {
        for (MIDIHDR* header : taken)
            callIn(port, MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header));
    });
    return MMSYSERR_NOERROR;
}

void WinMmModel::returnBuffers(InPort* port)
{
    // Services loops until the queue is empty, so a callback that queues the
    // buffer again keeps it going (tracker 1157).
    for (int returned = 0;; ++returned) {
        MIDIHDR* header = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (port->queue.empty() || port->stuck)
                return;
            if (returned == kResetLoopLimit) {
                ADD_FAILURE() << "a reset handed back " << kResetLoopLimit
                              << " buffers: the callback queues them again as they come";
                return;
            }
            header = port->queue.front();
            port->queue.pop_front();
            header->dwBytesRecorded = 0;
            header->dwFlags = (header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE;
        }
        callIn(port, MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header));
    }
}

MMRESULT WinMmModel::midiOutOpen(HMIDIOUT* handle, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                                 DWORD flags)
{
    Call call(*this, "midiOutOpen");
    const DWORD kind = flags & CALLBACK_TYPEMASK;
    if (handle == nullptr || (kind != CALLBACK_NULL && kind != CALLBACK_EVENT && kind != CALLBACK_FUNCTION))
        return MMSYSERR_INVALPARAM;
    OutPort* port = nullptr;
    {
        std::lock_guard lock(m_mutex);
        const auto found = deviceAt(device);
        if (!found)
            return MMSYSERR_BADDEVICEID;
        if (!m_devices[*found]->present)
            return MMSYSERR_NODRIVER;
        m_outPorts.push_back(std::make_unique<OutPort>());
        port = m_outPorts.back().get();
        port->device = *found;
        port->callback = callback;
        port->instance = instance;
        port->kind = kind;
    }
    *handle = reinterpret_cast<HMIDIOUT>(port);
    callOut(port, MOM_OPEN, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiOutClose(HMIDIOUT handle)
{
    Call call(*this, "midiOutClose");
    OutPort* port = nullptr;
    {
        std::lock_guard lock(m_mutex);
        port = outPort(handle);
        if (port == nullptr)
            return MMSYSERR_INVALHANDLE;
        if (!port->playing.empty() || (port->stuck && !port->prepared.empty())) {
            ++m_statistics.refusedCloses;
            return MIDIERR_STILLPLAYING;
        }
        port->closed = true;
    }
    callOut(port, MOM_CLOSE, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiOutPrepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT size)
{
    Call call(*this, "midiOutPrepareHeader");
    std::lock_guard lock(m_mutex);
    OutPort* port = outPort(handle);
    if (port == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size != sizeof(MIDIHDR) || header->lpData == nullptr)
        return MMSYSERR_INVALPARAM;
    header->dwFlags = (header->dwFlags | MHDR_PREPARED) & ~MHDR_DONE;
    port->prepared.insert(header);
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiOutUnprepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT size)
{
    Call call(*this, "midiOutUnprepareHeader");
    std::lock_guard lock(m_mutex);
    OutPort* port = outPort(handle);
    if (port == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size != sizeof(MIDIHDR))
        return MMSYSERR_INVALPARAM;
    if (std::find(port->playing.begin(), port->playing.end(), header) != port->playing.end())
        return MIDIERR_STILLPLAYING;
    if (port->stuck)
        return MMSYSERR_NODRIVER;
    header->dwFlags &= ~MHDR_PREPARED;
    port->prepared.erase(header);
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiOutLongMsg(HMIDIOUT handle, MIDIHDR* header, UINT size)
{
    Call call(*this, "midiOutLongMsg");
    std::unique_lock lock(m_mutex);
    OutPort* port = outPort(handle);
    if (port == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size != sizeof(MIDIHDR))
        return MMSYSERR_INVALPARAM;
    if ((header->dwFlags & MHDR_PREPARED) == 0)
        return MIDIERR_UNPREPARED;
    Device& device = *m_devices[port->device];
    if (device.actOnceWritten && device.instrument.statistics().wordsWritten >= *device.actOnceWritten) {
        device.actOnceWritten.reset();
        const std::function<void()> action = std::move(device.action);
        lock.unlock();
        action();
        lock.lock();
    }
    if (port->gone) {
        if (m_profile == Profile::Services)
            m_changed.wait_for(lock, kServicesBlockedSend, [this] { return m_stopping; });
        const MMRESULT refused = refuseSend(*port, header);
        lock.unlock();
        if (m_profile == Profile::ServicesFixed)
            callOut(port, MOM_DONE, reinterpret_cast<DWORD_PTR>(header));
        return refused;
    }
    if (!servicesStack())
        return sendLater(*port, header);
    const MMRESULT sent = sendNow(*port, header);
    lock.unlock();
    callOut(port, MOM_DONE, reinterpret_cast<DWORD_PTR>(header));
    return sent;
}

MMRESULT WinMmModel::refuseSend(OutPort& port, MIDIHDR* header)
{
    // Before PR 1159 the failed send leaves the header as it was: no MHDR_DONE, no MOM_DONE.
    if (m_profile == Profile::ServicesFixed)
        header->dwFlags |= MHDR_DONE;
    (void)port;
    return servicesStack() ? MMSYSERR_ERROR : MMSYSERR_NODRIVER;
}

MMRESULT WinMmModel::sendNow(OutPort& port, MIDIHDR* header)
{
    const Bytes message(header->lpData, header->lpData + header->dwBufferLength);
    m_statistics.outputPieces += (message.size() + kServicesPieceBytes - 1) / kServicesPieceBytes;
    offer(port.device, message);
    header->dwFlags |= MHDR_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::sendLater(OutPort& port, MIDIHDR* header)
{
    if (std::find(port.playing.begin(), port.playing.end(), header) != port.playing.end())
        return MIDIERR_STILLPLAYING;
    header->dwFlags = (header->dwFlags | MHDR_INQUEUE) & ~MHDR_DONE;
    port.playing.push_back(header);
    ++m_statistics.outputPieces;
    const auto wireTime =
        m_classicBytesPerSecond == 0
            ? std::chrono::microseconds{0}
            : std::chrono::microseconds{header->dwBufferLength * 1'000'000ull / m_classicBytesPerSecond};
    port.wireFree = std::max(port.wireFree, Clock::now()) + wireTime;
    schedule(port.wireFree, [this, out = &port, header] {
        {
            std::lock_guard lock(m_mutex);
            const auto playing = std::find(out->playing.begin(), out->playing.end(), header);
            if (playing == out->playing.end())
                return;  // reset took it back
            out->playing.erase(playing);
            if (!out->gone)
                offer(out->device, Bytes(header->lpData, header->lpData + header->dwBufferLength));
            header->dwFlags = (header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE;
        }
        callOut(out, MOM_DONE, reinterpret_cast<DWORD_PTR>(header));
    });
    return MMSYSERR_NOERROR;
}

MMRESULT WinMmModel::midiOutReset(HMIDIOUT handle)
{
    Call call(*this, "midiOutReset");
    std::deque<MIDIHDR*> returned;
    OutPort* port = nullptr;
    {
        std::lock_guard lock(m_mutex);
        port = outPort(handle);
        if (port == nullptr)
            return MMSYSERR_INVALHANDLE;
        if (port->gone)
            return MMSYSERR_NODRIVER;
        if (!servicesStack())
            m_statistics.resetMessages += kResetWireMessages;
        returned.swap(port->playing);
        for (MIDIHDR* header : returned)
            header->dwFlags = (header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE;
    }
    for (MIDIHDR* header : returned)
        callOut(port, MOM_DONE, reinterpret_cast<DWORD_PTR>(header));
    return MMSYSERR_NOERROR;
}

void WinMmModel::offer(std::size_t device, const Bytes& message)
{
    Device& instrument = *m_devices[device];
    instrument.received.push_back(message);
    const platform::SimulatedInstrument::Transfer transfer =
        instrument.instrument.transfer(message.data(), message.size());
    m_changed.notify_all();
    if (instrument.pullOnceReceived && instrument.received.size() >= *instrument.pullOnceReceived) {
        instrument.pullOnceReceived.reset();
        pullLocked(device);
        return;
    }
    for (const Bytes& reply : transfer.replies)
        for (const auto& port : m_inPorts)
            if (port->device == device && !port->closed && !port->gone)
                schedule(Clock::now(), [this, input = port.get(), reply] { deliver(input, reply); });
}

void WinMmModel::driverLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_tasks.empty()) {
            m_changed.wait(lock);
            continue;
        }
        if (Clock::now() < m_tasks.begin()->first) {
            m_changed.wait_until(lock, m_tasks.begin()->first);
            continue;
        }
        std::function<void()> task = std::move(m_tasks.begin()->second);
        m_tasks.erase(m_tasks.begin());
        lock.unlock();
        task();
        lock.lock();
    }
}

void WinMmModel::deliver(InPort* port, const Bytes& message)
{
    std::size_t offset = 0;
    while (offset < message.size()) {
        MIDIHDR* header = takeBuffer(port, offset > 0);
        if (header == nullptr)
            return;
        const std::size_t piece = std::min<std::size_t>(header->dwBufferLength, message.size() - offset);
        std::memcpy(header->lpData, message.data() + offset, piece);
        header->dwBytesRecorded = static_cast<DWORD>(piece);
        header->dwFlags = (header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE;
        offset += piece;
        callIn(port, MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header));
    }
}

MIDIHDR* WinMmModel::takeBuffer(InPort* port, bool midMessage)
{
    std::unique_lock lock(m_mutex);
    const auto ready = [&] { return !port->queue.empty() || !port->started || port->closed || m_stopping; };
    const auto wait = !servicesStack()      ? std::chrono::milliseconds{0}
                      : midMessage          ? kServicesWaitMidMessage
                                            : kServicesWaitAtStart;
    const Clock::time_point began = Clock::now();
    m_changed.wait_for(lock, wait, ready);
    if (midMessage)
        m_statistics.worstBufferWait = std::max(
            m_statistics.worstBufferWait, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - began));
    if (port->queue.empty() || !port->started || port->closed || m_stopping) {
        ++m_statistics.droppedInput;
        return nullptr;
    }
    MIDIHDR* header = port->queue.front();
    port->queue.pop_front();
    ++m_statistics.longDataCallbacks;
    m_handedBack[header] = Clock::now();
    return header;
}

void WinMmModel::callIn(InPort* port, UINT message, DWORD_PTR param1)
{
    if (port->callback == 0)
        return;
    using MidiInProc = void(CALLBACK*)(HMIDIIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
    const auto proc = reinterpret_cast<MidiInProc>(port->callback);
    const WinMmCallbackScope inside;
    proc(reinterpret_cast<HMIDIIN>(port), message, port->instance, param1, ::GetTickCount());
}

void WinMmModel::callOut(OutPort* port, UINT message, DWORD_PTR param1)
{
    if (port->kind == CALLBACK_EVENT) {
        ::SetEvent(reinterpret_cast<HANDLE>(port->callback));
        return;
    }
    if (port->kind != CALLBACK_FUNCTION || port->callback == 0)
        return;
    using MidiOutProc = void(CALLBACK*)(HMIDIOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
    const auto proc = reinterpret_cast<MidiOutProc>(port->callback);
    const WinMmCallbackScope inside;
    proc(reinterpret_cast<HMIDIOUT>(port), message, port->instance, param1, 0);
}
