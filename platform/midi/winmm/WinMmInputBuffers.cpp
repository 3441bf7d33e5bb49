#include "WinMmInputBuffers.h"

#include <algorithm>

namespace platform {

WinMmInputBuffers::WinMmInputBuffers()
{
    ::InitializeCriticalSection(&m_lock);
    m_wake = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    for (std::size_t i = 0; i < kCount; ++i) {
        m_headers[i].lpData = reinterpret_cast<LPSTR>(m_buffers[i].data());
        m_headers[i].dwBufferLength = kBytes;
    }
}

WinMmInputBuffers::~WinMmInputBuffers()
{
    if (m_wake != nullptr)
        ::CloseHandle(m_wake);
    ::DeleteCriticalSection(&m_lock);
}

void CALLBACK WinMmInputBuffers::callback(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR)
{
    // Only EnterCriticalSection, LeaveCriticalSection and SetEvent from here
    // on: Windows forbids nearly everything else inside MidiInProc.
    auto* buffers = reinterpret_cast<WinMmInputBuffers*>(instance);
    if (message == MIM_LONGDATA || message == MIM_LONGERROR)
        buffers->handBack(reinterpret_cast<MIDIHDR*>(param1));
    else if (message == MIM_CLOSE)
        buffers->markClosed();
}

void WinMmInputBuffers::handBack(MIDIHDR* header)
{
    ::EnterCriticalSection(&m_lock);
    const bool ours = std::find_if(m_headers.begin(), m_headers.end(),
                                   [&](const MIDIHDR& own) { return &own == header; }) != m_headers.end();
    if (ours && m_returnedCount < kCount) {
        m_returned[(m_firstReturned + m_returnedCount) % kCount] = header;
        ++m_returnedCount;
        m_withDriver -= m_withDriver > 0 ? 1 : 0;
    }
    ::LeaveCriticalSection(&m_lock);
    ::SetEvent(m_wake);
}

void WinMmInputBuffers::markClosed()
{
    ::EnterCriticalSection(&m_lock);
    m_closedByDriver = true;
    ::LeaveCriticalSection(&m_lock);
    ::SetEvent(m_wake);
}

void WinMmInputBuffers::lend(MIDIHDR* header)
{
    header->dwBytesRecorded = 0;
    ::EnterCriticalSection(&m_lock);
    ++m_withDriver;
    ::LeaveCriticalSection(&m_lock);
}

void WinMmInputBuffers::takeBack(MIDIHDR*)
{
    ::EnterCriticalSection(&m_lock);
    m_withDriver -= m_withDriver > 0 ? 1 : 0;
    ::LeaveCriticalSection(&m_lock);
}

MIDIHDR* WinMmInputBuffers::nextReturned()
{
    ::EnterCriticalSection(&m_lock);
    MIDIHDR* header = nullptr;
    if (m_returnedCount > 0) {
        header = m_returned[m_firstReturned];
        m_firstReturned = (m_firstReturned + 1) % kCount;
        --m_returnedCount;
    }
    ::LeaveCriticalSection(&m_lock);
    return header;
}

std::size_t WinMmInputBuffers::outstanding()
{
    ::EnterCriticalSection(&m_lock);
    const std::size_t count = m_withDriver + m_returnedCount;
    ::LeaveCriticalSection(&m_lock);
    return count;
}

bool WinMmInputBuffers::closedByDriver()
{
    ::EnterCriticalSection(&m_lock);
    const bool closed = m_closedByDriver;
    ::LeaveCriticalSection(&m_lock);
    return closed;
}

}  // namespace platform
