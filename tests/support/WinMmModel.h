#pragma once
// Windows' MIDI stacks as the WinMM backend meets them, behind the backend's
// WinMM seam, with simulated instruments at the far end of their cables, so
// that the real backend and whole updates run against each stack in-process.
//
// Three profiles: Classic (Windows 10 and Windows 11 without Windows MIDI
// Services), Services (Windows 11 24H2 and 25H2 through Windows MIDI Services
// before the fixes named below) and ServicesFixed (with them).
// Sources: the WinMM pages of Microsoft's documentation (named by page), the
// Windows MIDI Services tracker, github.com/microsoft/MIDI (by number), and
// libremidi's and midir's trackers (named so). A row no source states for a
// profile says "assumed" and why; a row that is a switch of the model rather
// than a profile's default says which call turns it on.
//
// | Behaviour                                                        | Classic           | Services             | ServicesFixed     | Modelled after |
// |------------------------------------------------------------------|-------------------|----------------------|-------------------|----------------|
// | input callbacks run on the driver's own thread (the model's)     | yes               | yes                  | yes               | MidiInProc |
// | a call inside a callback other than the twelve allowed fails the test (seam calls; allocations counted) | yes | yes | yes | MidiInProc, Remarks |
// | MIM_OPEN / MIM_CLOSE from midiInOpen / midiInClose, on the caller's thread | yes       | yes                  | yes               | MIM_OPEN, MIM_CLOSE |
// | midiInReset hands queued buffers back (MIM_LONGDATA, with what they hold: the model fills none partly, so 0 bytes) | driver thread, not waited for (assumed: the harder case; the backend allows late ones) | caller's thread, looping until the queue is empty | caller's thread | midiInReset, midiInStop; tracker 1157 |
// | SysEx longer than a buffer comes in several, each returned on F7 or when full | yes | yes                | yes               | MIM_LONGDATA; tracker 1157 |
// | no buffer queued: wait at F0, then drop the message              | drop at once (assumed, stricter) | 1 ms  | 1 ms              | tracker 1157 |
// | no buffer queued mid-message: wait, then drop the rest           | drop at once (assumed, stricter) | 10 ms | 10 ms             | tracker 1157 |
// | input before midiInStart is discarded                            | yes               | yes                  | yes               | midiInStart; tracker 1157 |
// | a header size other than sizeof(MIDIHDR): MMSYSERR_INVALPARAM    | yes               | yes                  | yes               | midiInAddBuffer, midiInPrepareHeader |
// | output: asynchronous, the message on the wire for its wire time  | yes               | -                    | -                 | midiOutLongMsg |
// | output: synchronous, MHDR_DONE and MOM_DONE before midiOutLongMsg returns, pieces of at most 2048 bytes | - | yes | yes       | tracker 1157 |
// | midiOutLongMsg to a pulled device stays in the call 5 s          | - (assumed)       | yes                  | -                 | tracker 831 |
// | midiOutReset puts "all notes off" and "reset all controllers" on all 16 channels on the wire (32 messages, counted) | yes | - (assumed not) | - (assumed not) | midir tracker 122 |
// | midiOutClose / midiOutUnprepareHeader: MIDIERR_STILLPLAYING while a buffer is queued | yes | yes            | yes               | midiOutClose, midiOutUnprepareHeader |
// | the event of CALLBACK_EVENT is set on open, done and close       | yes               | yes                  | yes               | midiOutOpen |
// | a send to a pulled device                                        | MMSYSERR_NODRIVER (assumed) | MMSYSERR_ERROR, neither MHDR_DONE nor MOM_DONE | MMSYSERR_ERROR, MHDR_DONE and MOM_DONE | tracker 1157, PR 1159 |
// | pulled device: input buffers handed back, then MIM_CLOSE (driver thread) | yes (assumed: a WDM driver's removal) | no: the buffers stay the driver's for good, and it writes into them later | yes | tracker 1157 |
// | pulled device: midiInReset / midiInStop                          | MMSYSERR_NOERROR (assumed) | MMSYSERR_NODRIVER | MMSYSERR_NOERROR | tracker 1157 |
// | pulled device: midiInClose                                       | MMSYSERR_NOERROR (assumed) | MIDIERR_STILLPLAYING for ever | MMSYSERR_NOERROR | tracker 1157 |
// | pulled device: output unprepare / close (the same shape as input) | MMSYSERR_NOERROR (assumed) | MMSYSERR_NODRIVER / MIDIERR_STILLPLAYING while a header is prepared | MMSYSERR_NOERROR | tracker 1157 |
// | device numbers close up when a device goes                       | yes               | yes                  | yes               | midiInGetNumDevs |
// | caps of a number that is gone                                    | MMSYSERR_BADDEVICEID | "(unavailable)"   | "(unavailable)"   | tracker 1157 |
// | a re-plugged device's name gets a growing "N- " prefix ("2- ", "3- " ...) | -         | yes                  | yes               | tracker 1224 |
// | names at most 31 characters (MAXPNAMELEN with its terminator)    | yes               | yes                  | yes               | MIDIINCAPS |
// | DRV_QUERYDEVICEINTERFACE gives the device interface path, the same after a re-plug; setInterfacePaths(false): MMSYSERR_NOTSUPPORTED, as Wine and older drivers | yes (assumed for Services) | yes | yes | midiInMessage, "Obtaining a Device Interface Name" |
// | device interfaces arriving and going are notified (CM_Register_Notification); setDeviceNotices(false): not | yes | yes      | yes               | CM_Register_Notification |
// | list calls stall (the service starting, enumeration under load): stallListCalls() | -  | yes                  | yes               | tracker 976, 939, 1076 |
// | the list does not change after start: freezeLists()              | -                 | yes                  | -                 | tracker 597, 783 |
// | two devices of one name: plug() the same name twice              | yes               | yes                  | yes               | a service bench with two instruments of one make |
#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "SimulatedInstrument.h"
#include "WinMmApi.h"

//! Windows' MIDI stacks behind the WinMM seam, with simulated instruments as devices.
class WinMmModel : public platform::WinMmApi {
public:
    enum class Profile { Classic, Services, ServicesFixed };
    using Bytes = std::vector<std::uint8_t>;

    //! What the model saw of the backend.
    struct Statistics {
        std::size_t forbiddenCalls = 0;         //!< seam calls from inside a callback that Windows forbids
        std::size_t allocationsInCallbacks = 0; //!< heap allocations while a callback ran
        std::size_t droppedInput = 0;           //!< input messages (or their rests) that found no buffer
        std::chrono::microseconds worstBufferWait{0};  //!< longest wait for a queued buffer in mid-message
        std::chrono::microseconds worstRequeue{0};     //!< longest time from a buffer's MIM_LONGDATA to its midiInAddBuffer
        std::size_t longDataCallbacks = 0;      //!< MIM_LONGDATA callbacks made
        std::size_t refusedCloses = 0;          //!< midiInClose / midiOutClose calls answered with an error
        std::size_t outputPieces = 0;           //!< pieces the output was sent in (Services: 2048 bytes at most)
        std::size_t resetMessages = 0;          //!< channel messages midiOutReset put on the wire
        std::size_t listCalls = 0;              //!< calls into the device list (count, caps, interface path)
    };

    explicit WinMmModel(Profile profile);
    ~WinMmModel() override;
    WinMmModel(const WinMmModel&) = delete;
    WinMmModel& operator=(const WinMmModel&) = delete;

    //! The profile's name in test names: "Classic", "Services", "ServicesFixed".
    static std::string profileName(Profile profile);

    //! Plugs in an instrument with an input and an output device named `name`; returns its number in plug order.
    std::size_t plug(const std::string& name, const platform::SimulatedInstrument::Config& config);
    //! Pulls the cable of instrument `device`.
    void pull(std::size_t device);
    //! Plugs instrument `device` back in, as a new device at the end of the lists.
    void replug(std::size_t device);
    //! Pulls `device` at the first send after its instrument has stored `words` words.
    void pullOnceWritten(std::size_t device, std::size_t words);
    //! Runs `action` inside the first send to `device` after its instrument
    //! has stored `words` words, the model unlocked: the send goes on when it returns.
    void onceWritten(std::size_t device, std::size_t words, std::function<void()> action);
    //! Waits until `count` calls into the device list have been made in all; false when `limit` passes first.
    bool listCallsReach(std::size_t count, std::chrono::milliseconds limit);
    //! Pulls `device` as soon as its instrument has received `count` messages in all: their replies are lost.
    void pullOnceReceived(std::size_t device, std::size_t count);
    //! When `device` was last pulled.
    std::chrono::steady_clock::time_point pulledAt(std::size_t device);
    //! Speed of the classic stack's output, bytes per second (0: no wire time).
    void setClassicOutputRate(std::uint32_t bytesPerSecond);
    //! Whether drivers answer DRV_QUERYDEVICEINTERFACE (by default they do).
    void setInterfacePaths(bool given);
    //! Whether device changes are notified (by default they are).
    void setDeviceNotices(bool given);
    //! The next `count` calls into the device list each stall for `stall` first.
    void stallListCalls(std::chrono::milliseconds stall, std::size_t count);
    //! From now on the lists answer as they stand now, whatever is plugged or pulled.
    void freezeLists();

    //! The messages instrument `device` received, once there are `count` (fewer when `limit` passes first).
    std::vector<Bytes> received(std::size_t device, std::size_t count, std::chrono::milliseconds limit);
    //! Runs `f(SimulatedInstrument&)` on instrument `device` under the model's lock.
    template <class F>
    auto withInstrument(std::size_t device, F&& f)
    {
        std::lock_guard lock(m_mutex);
        return std::forward<F>(f)(m_devices.at(device)->instrument);
    }
    Statistics statistics();
    //! Stops the driver thread and fails the test where a callback allocated; the model answers nothing afterwards.
    void finish();

    UINT midiInGetNumDevs() override;
    UINT midiOutGetNumDevs() override;
    MMRESULT midiInGetDevCapsW(UINT_PTR device, MIDIINCAPSW* caps, UINT size) override;
    MMRESULT midiOutGetDevCapsW(UINT_PTR device, MIDIOUTCAPSW* caps, UINT size) override;
    MMRESULT midiInGetErrorTextW(MMRESULT result, LPWSTR text, UINT size) override;
    MMRESULT midiOutGetErrorTextW(MMRESULT result, LPWSTR text, UINT size) override;
    MMRESULT midiInMessage(HMIDIIN handle, UINT message, DWORD_PTR param1, DWORD_PTR param2) override;
    MMRESULT midiOutMessage(HMIDIOUT handle, UINT message, DWORD_PTR param1, DWORD_PTR param2) override;
    std::shared_ptr<void> watchDeviceChanges(HANDLE wake) override;
    MMRESULT midiInOpen(HMIDIIN* handle, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) override;
    MMRESULT midiInClose(HMIDIIN handle) override;
    MMRESULT midiInPrepareHeader(HMIDIIN handle, MIDIHDR* header, UINT size) override;
    MMRESULT midiInUnprepareHeader(HMIDIIN handle, MIDIHDR* header, UINT size) override;
    MMRESULT midiInAddBuffer(HMIDIIN handle, MIDIHDR* header, UINT size) override;
    MMRESULT midiInStart(HMIDIIN handle) override;
    MMRESULT midiInStop(HMIDIIN handle) override;
    MMRESULT midiInReset(HMIDIIN handle) override;
    MMRESULT midiOutOpen(HMIDIOUT* handle, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                         DWORD flags) override;
    MMRESULT midiOutClose(HMIDIOUT handle) override;
    MMRESULT midiOutPrepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT size) override;
    MMRESULT midiOutUnprepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT size) override;
    MMRESULT midiOutLongMsg(HMIDIOUT handle, MIDIHDR* header, UINT size) override;
    MMRESULT midiOutReset(HMIDIOUT handle) override;

private:
    using Clock = std::chrono::steady_clock;

    struct Device {
        Device(std::string listed, const platform::SimulatedInstrument::Config& config)
            : name(std::move(listed)), instrument(config)
        {
        }
        std::string name;
        std::wstring path;  // its device interface path
        platform::SimulatedInstrument instrument;
        bool present = true;
        std::size_t order = 0;  // place in the lists among present devices
        unsigned reconnects = 0;
        std::optional<std::size_t> actOnceWritten;
        std::function<void()> action;
        std::optional<std::size_t> pullOnceReceived;
        Clock::time_point pulledAt;
        std::vector<Bytes> received;
    };
    struct InPort;
    struct OutPort;
    class Call;

    // With the lock held.
    std::vector<std::size_t> listed() const;
    std::optional<std::size_t> deviceAt(UINT number) const;
    void noteDeviceChange();
    std::wstring listedName(const Device& device) const;
    InPort* inPort(HMIDIIN handle) const;
    OutPort* outPort(HMIDIOUT handle) const;
    void pullLocked(std::size_t device);
    void schedule(Clock::time_point due, std::function<void()> task);
    void offer(std::size_t device, const Bytes& message);
    MMRESULT refuseSend(OutPort& port, MIDIHDR* header);
    MMRESULT sendNow(OutPort& port, MIDIHDR* header);
    MMRESULT sendLater(OutPort& port, MIDIHDR* header);
    bool servicesStack() const { return m_profile != Profile::Classic; }
    bool buffersStuckOnPull() const { return m_profile == Profile::Services; }

    // Without the lock.
    void listCall();
    void scribbleKeptBuffers();
    void driverLoop();
    void deliver(InPort* port, const Bytes& message);
    MIDIHDR* takeBuffer(InPort* port, bool midMessage);
    void returnBuffers(InPort* port);
    void callIn(InPort* port, UINT message, DWORD_PTR param1);
    void callOut(OutPort* port, UINT message, DWORD_PTR param1);

    const Profile m_profile;
    const std::size_t m_allocationsBefore;
    std::mutex m_mutex;
    std::condition_variable m_changed;  // a buffer queued, a task scheduled, a message received
    std::vector<std::unique_ptr<Device>> m_devices;
    std::vector<std::unique_ptr<InPort>> m_inPorts;    // kept for the model's life: a stale handle stays recognisable
    std::vector<std::unique_ptr<OutPort>> m_outPorts;
    std::multimap<Clock::time_point, std::function<void()>> m_tasks;
    std::map<MIDIHDR*, Clock::time_point> m_handedBack;  // input buffers filled and not yet queued again
    std::uint32_t m_classicBytesPerSecond = 0;
    bool m_interfacePaths = true;
    bool m_deviceNotices = true;
    std::set<HANDLE> m_noticed;  // events set on a device change
    std::chrono::milliseconds m_listStall{0};
    std::size_t m_stalledListCalls = 0;
    std::optional<std::vector<std::size_t>> m_frozenList;
    std::map<MIDIHDR*, std::pair<LPSTR, DWORD>> m_kept;  // buffers a pulled device keeps, as queued
    Statistics m_statistics;
    bool m_stopping = false;
    std::thread m_driver;
};
