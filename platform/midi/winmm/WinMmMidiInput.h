#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "MidiInput.h"
#include "SysExAssembler.h"
#include "WinMmApi.h"
#include "WinMmDeviceWatch.h"
#include "WinMmInputBuffers.h"

namespace platform {

//! An open WinMM MIDI input device. WinMM fills the device's own queued
//! buffers and hands each back to a callback that only notes it (see
//! WinMmInputBuffers); a worker thread of the input copies the bytes out,
//! queues the buffer again at once, puts messages longer than one buffer
//! together again and delivers every complete System Exclusive message.
//!
//! A device may go without a word: Windows MIDI Services sends no MIM_CLOSE
//! for a pulled cable (tracker issue 1157), so a watch of the device list
//! (WinMmDeviceWatch, on a thread of its own: the worker never calls into
//! the list) wakes the worker when the device is no longer listed, and a
//! device gone either way is reported as no longer connected. When Windows
//! refuses to take the buffers back or to close, they and the callback's
//! context are kept for the life of the process (WinMmKeptAlive).
class WinMmMidiInput : public MidiInput {
public:
    //! `name` is the device's product name, for failure texts; `present`
    //! looks whether it is still listed.
    WinMmMidiInput(std::shared_ptr<WinMmApi> api, MidiInCallback callback, void* instance, std::string name,
                   WinMmDeviceWatch::Look present);
    ~WinMmMidiInput() override;

    //! Opens device `number`, prepares the buffers and starts the worker and the watch.
    MidiResult open(unsigned number);

    //! Longest wait for the buffers a reset hands back on the driver's thread.
    static constexpr DWORD kReturnLimitMs = 1000;
    //! Longest time midiInClose is asked again while it answers MIDIERR_STILLPLAYING.
    static constexpr DWORD kCloseLimitMs = 100;

protected:
    //! Queues every buffer, then starts the device: input before midiInStart is lost.
    MidiResult startDevice() override;
    //! Resets the device and takes every buffer back; when the driver keeps
    //! them, they stay its own until the process ends.
    void stopDevice() override;

private:
    void serve();
    void takeReturned(bool deliver);
    void queue(MIDIHDR* header);
    void reportGone();
    bool waitForBuffers();
    bool release();

    std::shared_ptr<WinMmApi> m_api;
    std::string m_name;
    WinMmDeviceWatch::Look m_present;
    std::unique_ptr<WinMmDeviceWatch> m_watch;
    std::unique_ptr<WinMmInputBuffers> m_buffers = std::make_unique<WinMmInputBuffers>();
    HMIDIIN m_handle = nullptr;
    // A returned buffer's bytes, while the buffer is queued again.
    std::array<std::uint8_t, WinMmInputBuffers::kBytes> m_received{};
    SysExAssembler m_assembler;
    std::mutex m_queueing;    // held while a buffer is queued, so a reset can wait for it
    std::mutex m_delivering;  // held while the worker hands on returned buffers
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopWorker{false};
    bool m_driverKeepsBuffers = false;  // a reset was refused: the buffers are the driver's
    bool m_reportedGone = false;
    std::thread m_worker;
};

}  // namespace platform
