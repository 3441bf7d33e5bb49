#include "SingleInstanceLock.h"

#include <windows.h>

#include "WideText.h"

namespace platform {

SingleInstanceLock::SingleInstanceLock(std::string name) : m_path(std::move(name)) {}

SingleInstanceLock::~SingleInstanceLock() { Release(); }

SingleInstanceLock::Result SingleInstanceLock::Acquire()
{
    if (IsHeld())
        return Result::Acquired;
    // Created owned, in the session's namespace (no prefix): the first copy
    // holds the name until it ends.
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, WideFromUtf8(m_path).c_str());
    if (mutex == nullptr)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? Result::HeldElsewhere : Result::Unavailable;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return Result::HeldElsewhere;
    }
    m_handle = reinterpret_cast<std::intptr_t>(mutex);
    return Result::Acquired;
}

void SingleInstanceLock::Release()
{
    if (!IsHeld())
        return;
    ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = kNoHandle;
}

}  // namespace platform
