#pragma once
#include <chrono>
#include <functional>

//! How often long waits inside an update run let the window run: often
//! enough for painting and input to feel immediate, seldom enough that the
//! wake-ups cost no CPU worth mentioning (each one costs some microseconds).
constexpr std::chrono::milliseconds kDispatchInterval{10};

//! Dispatches every window message waiting for this thread, so the window
//! keeps painting during waits and update loops. Returns false if the
//! application is quitting; without a GUI it dispatches nothing and returns true.
bool PumpWaitingMessages();

//! Waits at least `ms` milliseconds in steps of at most kDispatchInterval and
//! runs `dispatch` after each step, so a fixed wait inside an update run does
//! not freeze the window. Only for waits where the window is guarded against
//! a second run and against closing.
void WaitDispatching(unsigned ms, const std::function<void()>& dispatch);
