#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <memory>

namespace platform {

//! The WinMM calls the MIDI backend makes, in one place: the product binds
//! them to winmm.dll (WinMmSystemApi), the tests put a scripted model of
//! Windows' MIDI stacks behind them. Each method is the WinMM function of the
//! same name with the same arguments and results, but for watchDeviceChanges.
class WinMmApi {
public:
    virtual ~WinMmApi() = default;

    virtual UINT midiInGetNumDevs() = 0;
    virtual UINT midiOutGetNumDevs() = 0;
    virtual MMRESULT midiInGetDevCapsW(UINT_PTR device, MIDIINCAPSW* caps, UINT size) = 0;
    virtual MMRESULT midiOutGetDevCapsW(UINT_PTR device, MIDIOUTCAPSW* caps, UINT size) = 0;
    virtual MMRESULT midiInGetErrorTextW(MMRESULT result, LPWSTR text, UINT size) = 0;
    virtual MMRESULT midiOutGetErrorTextW(MMRESULT result, LPWSTR text, UINT size) = 0;
    //! With a device number as the handle: driver queries such as DRV_QUERYDEVICEINTERFACE.
    virtual MMRESULT midiInMessage(HMIDIIN handle, UINT message, DWORD_PTR param1, DWORD_PTR param2) = 0;
    virtual MMRESULT midiOutMessage(HMIDIOUT handle, UINT message, DWORD_PTR param1, DWORD_PTR param2) = 0;
    //! Sets `wake` whenever a device interface arrives or goes, until the
    //! returned token is dropped; null where the system gives no such notice.
    virtual std::shared_ptr<void> watchDeviceChanges(HANDLE wake) = 0;

    virtual MMRESULT midiInOpen(HMIDIIN* handle, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                                DWORD flags) = 0;
    virtual MMRESULT midiInClose(HMIDIIN handle) = 0;
    virtual MMRESULT midiInPrepareHeader(HMIDIIN handle, MIDIHDR* header, UINT size) = 0;
    virtual MMRESULT midiInUnprepareHeader(HMIDIIN handle, MIDIHDR* header, UINT size) = 0;
    virtual MMRESULT midiInAddBuffer(HMIDIIN handle, MIDIHDR* header, UINT size) = 0;
    virtual MMRESULT midiInStart(HMIDIIN handle) = 0;
    virtual MMRESULT midiInStop(HMIDIIN handle) = 0;
    virtual MMRESULT midiInReset(HMIDIIN handle) = 0;

    virtual MMRESULT midiOutOpen(HMIDIOUT* handle, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                                 DWORD flags) = 0;
    virtual MMRESULT midiOutClose(HMIDIOUT handle) = 0;
    virtual MMRESULT midiOutPrepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT size) = 0;
    virtual MMRESULT midiOutUnprepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT size) = 0;
    virtual MMRESULT midiOutLongMsg(HMIDIOUT handle, MIDIHDR* header, UINT size) = 0;
    virtual MMRESULT midiOutReset(HMIDIOUT handle) = 0;
};

}  // namespace platform
