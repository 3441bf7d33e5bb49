#pragma once
#include <memory>

#include "WinMmApi.h"

namespace platform {

//! The WinMM calls bound to the system's winmm.dll.
class WinMmSystemApi : public WinMmApi {
public:
    //! The one instance the product uses.
    static std::shared_ptr<WinMmApi> instance();

    UINT midiInGetNumDevs() override;
    UINT midiOutGetNumDevs() override;
    MMRESULT midiInGetDevCapsW(UINT_PTR device, MIDIINCAPSW* caps, UINT size) override;
    MMRESULT midiOutGetDevCapsW(UINT_PTR device, MIDIOUTCAPSW* caps, UINT size) override;
    MMRESULT midiInGetErrorTextW(MMRESULT result, LPWSTR text, UINT size) override;
    MMRESULT midiOutGetErrorTextW(MMRESULT result, LPWSTR text, UINT size) override;
    MMRESULT midiInMessage(HMIDIIN handle, UINT message, DWORD_PTR param1, DWORD_PTR param2) override;
    MMRESULT midiOutMessage(HMIDIOUT handle, UINT message, DWORD_PTR param1, DWORD_PTR param2) override;
    //! Through CM_Register_Notification for every interface class (Windows 8
    //! and later); none under Wine, which has only a stub of it.
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
};

}  // namespace platform
