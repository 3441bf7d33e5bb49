#include "WinMmSystemApi.h"

namespace platform {

std::shared_ptr<WinMmApi> WinMmSystemApi::instance()
{
    static const auto api = std::make_shared<WinMmSystemApi>();
    return api;
}

UINT WinMmSystemApi::midiInGetNumDevs() { return ::midiInGetNumDevs(); }

UINT WinMmSystemApi::midiOutGetNumDevs() { return ::midiOutGetNumDevs(); }

MMRESULT WinMmSystemApi::midiInGetDevCapsW(UINT_PTR device, MIDIINCAPSW* caps, UINT size)
{
    return ::midiInGetDevCapsW(device, caps, size);
}

MMRESULT WinMmSystemApi::midiOutGetDevCapsW(UINT_PTR device, MIDIOUTCAPSW* caps, UINT size)
{
    return ::midiOutGetDevCapsW(device, caps, size);
}

MMRESULT WinMmSystemApi::midiInGetErrorTextW(MMRESULT result, LPWSTR text, UINT size)
{
    return ::midiInGetErrorTextW(result, text, size);
}

MMRESULT WinMmSystemApi::midiOutGetErrorTextW(MMRESULT result, LPWSTR text, UINT size)
{
    return ::midiOutGetErrorTextW(result, text, size);
}

MMRESULT WinMmSystemApi::midiInOpen(HMIDIIN* handle, UINT device, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    return ::midiInOpen(handle, device, callback, instance, flags);
}

MMRESULT WinMmSystemApi::midiInClose(HMIDIIN handle) { return ::midiInClose(handle); }

MMRESULT WinMmSystemApi::midiInPrepareHeader(HMIDIIN handle, MIDIHDR* header, UINT size)
{
    return ::midiInPrepareHeader(handle, header, size);
}

MMRESULT WinMmSystemApi::midiInUnprepareHeader(HMIDIIN handle, MIDIHDR* header, UINT size)
{
    return ::midiInUnprepareHeader(handle, header, size);
}

MMRESULT WinMmSystemApi::midiInAddBuffer(HMIDIIN handle, MIDIHDR* header, UINT size)
{
    return ::midiInAddBuffer(handle, header, size);
}

MMRESULT WinMmSystemApi::midiInStart(HMIDIIN handle) { return ::midiInStart(handle); }

MMRESULT WinMmSystemApi::midiInStop(HMIDIIN handle) { return ::midiInStop(handle); }

MMRESULT WinMmSystemApi::midiInReset(HMIDIIN handle) { return ::midiInReset(handle); }

MMRESULT WinMmSystemApi::midiOutOpen(HMIDIOUT* handle, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                                     DWORD flags)
{
    return ::midiOutOpen(handle, device, callback, instance, flags);
}

MMRESULT WinMmSystemApi::midiOutClose(HMIDIOUT handle) { return ::midiOutClose(handle); }

MMRESULT WinMmSystemApi::midiOutPrepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT size)
{
    return ::midiOutPrepareHeader(handle, header, size);
}

MMRESULT WinMmSystemApi::midiOutUnprepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT size)
{
    return ::midiOutUnprepareHeader(handle, header, size);
}

MMRESULT WinMmSystemApi::midiOutLongMsg(HMIDIOUT handle, MIDIHDR* header, UINT size)
{
    return ::midiOutLongMsg(handle, header, size);
}

MMRESULT WinMmSystemApi::midiOutReset(HMIDIOUT handle) { return ::midiOutReset(handle); }

}  // namespace platform
