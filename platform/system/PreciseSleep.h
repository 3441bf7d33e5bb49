#pragma once
#include <chrono>

namespace platform {

//! Sleeps until `deadline`, ending as close after it as the system's waits
//! allow instead of at the next whole millisecond, where the standard
//! library's sleeps on Windows end.
void SleepUntil(std::chrono::steady_clock::time_point deadline);

}  // namespace platform
