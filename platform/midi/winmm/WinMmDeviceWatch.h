#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "WinMmApi.h"

namespace platform {

//! Learns whether an open device is still listed, on a low-priority thread
//! of its own: on Windows MIDI Services the list calls go into the service,
//! which can stall them for seconds (tracker issues 976, 939, 1076), so no
//! thread with a deadline makes them. The thread looks when Windows reports
//! a device interface arriving or going (CM_Register_Notification), else
//! once a second at the device count, and sweeps the names only when the
//! count changed (as Microsoft asks of WinMM programs); never more often
//! than once a second.
class WinMmDeviceWatch {
public:
    //! True while the device may still be listed; calls into the device list.
    using Look = std::function<bool()>;

    //! Watches the input (or, with `output`, output) devices through `api`;
    //! `onGone` is called once, on the watch's thread, when `look` says the
    //! device is no longer listed.
    WinMmDeviceWatch(std::shared_ptr<WinMmApi> api, bool output, Look look, std::function<void()> onGone);
    //! Stops the watch. A look stalled inside WinMM is waited for
    //! kStopLimitMs at most; it then ends on its own, and calls nothing of the owner.
    ~WinMmDeviceWatch();
    WinMmDeviceWatch(const WinMmDeviceWatch&) = delete;
    WinMmDeviceWatch& operator=(const WinMmDeviceWatch&) = delete;

    //! True once a look found the device gone.
    bool gone() const;

    //! Shortest time between two looks.
    static constexpr DWORD kLookIntervalMs = 1000;
    //! Longest wait for the watch's thread when it stops.
    static constexpr DWORD kStopLimitMs = 500;

private:
    struct State;
    static void watch(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;
};

}  // namespace platform
