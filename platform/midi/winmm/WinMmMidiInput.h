#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <array>
#include <atomic>
#include <mutex>
#include <string>

#include "MidiInput.h"
#include "SysExAssembler.h"

namespace platform {

//! An open WinMM MIDI input device. WinMM fills the device's own queued
//! buffers and hands each back to a function callback (MIM_LONGDATA) on its
//! thread; the callback copies the bytes, queues the buffer again at once and
//! delivers every System Exclusive message they complete. A message longer
//! than one buffer arrives in several and is put together again.
class WinMmMidiInput : public MidiInput {
public:
    //! `name` is the device's product name, for failure texts.
    WinMmMidiInput(MidiInCallback callback, void* instance, std::string name);
    ~WinMmMidiInput() override;

    //! Opens device `number` and prepares the buffers.
    MidiResult open(unsigned number);

    //! Buffers kept queued with the driver, and their size. A reply is under
    //! 200 bytes, but a driver drops what comes while it has no buffer, and
    //! Wine's fills them faster than their callbacks hand them back: room
    //! for several of the longest messages (4101 bytes) keeps a burst whole.
    static constexpr std::size_t kBufferCount = 8;
    static constexpr std::size_t kBufferBytes = 4096;

protected:
    MidiResult startDevice() override;
    void stopDevice() override;

private:
    static void CALLBACK onMidiIn(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                  DWORD_PTR param2);
    void onLongData(MIDIHDR* header);
    void onClosed();

    HMIDIIN m_handle = nullptr;
    std::string m_name;
    std::array<MIDIHDR, kBufferCount> m_headers{};
    std::array<std::array<std::uint8_t, kBufferBytes>, kBufferCount> m_buffers{};
    std::array<std::uint8_t, kBufferBytes> m_received{};  // a completed buffer's bytes, while it is queued again
    SysExAssembler m_assembler;
    std::mutex m_callbackMutex;         // held by a callback at work, so stopping can wait for it
    std::atomic<bool> m_closing{false};  // set while input stops: returned buffers stay with us
};

}  // namespace platform
