#pragma once

namespace platform {

//! Sets up the calling thread for work that must happen on time: names it
//! (for debuggers and process lists) and keeps its timed waits from ending
//! late on purpose, as Linux lets them by up to 50 us ("timer slack").
void SetUpTimingThread(const char* name);

}  // namespace platform
