#include "WinMmSystemApi.h"

#include <cfgmgr32.h>

namespace platform {

namespace {

using RegisterNotification = CONFIGRET(WINAPI*)(PCM_NOTIFY_FILTER, PVOID, PCM_NOTIFY_CALLBACK, PHCMNOTIFICATION);
using UnregisterNotification = CONFIGRET(WINAPI*)(HCMNOTIFICATION);

// Looked up at run time: Wine's cfgmgr32 lists CM_Register_Notification only
// as a stub that ends the process when called, so under Wine (its ntdll
// exports wine_get_version) there are no notices, and the watch looks at the
// device count instead.
template <class Function>
Function notificationFunction(const char* name)
{
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr)
        return nullptr;
    HMODULE cfgmgr = ::LoadLibraryW(L"cfgmgr32.dll");  // kept loaded: registrations live in it
    return cfgmgr == nullptr ? nullptr : reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(cfgmgr, name)));
}

DWORD CALLBACK noteDeviceChange(HCMNOTIFICATION, PVOID wake, CM_NOTIFY_ACTION action, PCM_NOTIFY_EVENT_DATA, DWORD)
{
    if (action == CM_NOTIFY_ACTION_DEVICEINTERFACEARRIVAL || action == CM_NOTIFY_ACTION_DEVICEINTERFACEREMOVAL)
        ::SetEvent(static_cast<HANDLE>(wake));
    return ERROR_SUCCESS;
}

}  // namespace

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

MMRESULT WinMmSystemApi::midiInMessage(HMIDIIN handle, UINT message, DWORD_PTR param1, DWORD_PTR param2)
{
    return ::midiInMessage(handle, message, param1, param2);
}

MMRESULT WinMmSystemApi::midiOutMessage(HMIDIOUT handle, UINT message, DWORD_PTR param1, DWORD_PTR param2)
{
    return ::midiOutMessage(handle, message, param1, param2);
}

std::shared_ptr<void> WinMmSystemApi::watchDeviceChanges(HANDLE wake)
{
    static const auto registerNotification = notificationFunction<RegisterNotification>("CM_Register_Notification");
    static const auto unregisterNotification =
        notificationFunction<UnregisterNotification>("CM_Unregister_Notification");
    if (registerNotification == nullptr || unregisterNotification == nullptr)
        return nullptr;
    CM_NOTIFY_FILTER filter{};
    filter.cbSize = sizeof filter;
    filter.Flags = CM_NOTIFY_FILTER_FLAG_ALL_INTERFACE_CLASSES;
    filter.FilterType = CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE;
    HCMNOTIFICATION registration = nullptr;
    if (registerNotification(&filter, wake, noteDeviceChange, &registration) != CR_SUCCESS)
        return nullptr;
    // Unregistering waits for a callback under way, so the event outlives every SetEvent.
    return std::shared_ptr<void>(registration,
                                 [](void* handle) { unregisterNotification(static_cast<HCMNOTIFICATION>(handle)); });
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
