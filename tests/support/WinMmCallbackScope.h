#pragma once
// Which thread is inside a WinMM callback of the model, and what it
// allocated meanwhile: the test binary's operator new counts allocations made
// inside a callback, which Windows forbids there.
#include <cstddef>

//! Marks this thread as inside a callback for its lifetime (nests).
class WinMmCallbackScope {
public:
    WinMmCallbackScope();
    ~WinMmCallbackScope();
    WinMmCallbackScope(const WinMmCallbackScope&) = delete;
    WinMmCallbackScope& operator=(const WinMmCallbackScope&) = delete;

    //! How many callbacks this thread is inside of.
    static int depth();
    //! Sets that depth: the model's own work inside a callback is not the callback's.
    static void setDepth(int depth);
    //! Heap allocations made inside callbacks since the process started.
    static std::size_t allocations();
};
