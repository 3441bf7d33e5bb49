#pragma once

namespace platform {

//! Dispatches every window message waiting for the user-interface thread.
//! Returns false when the application is quitting.
using PumpHook = bool (*)();

//! Installs the GUI's pump; nullptr removes it.
void SetPumpHook(PumpHook hook);

//! Runs the installed pump; without a GUI nothing is dispatched and the
//! result is true.
bool RunPumpHook();

}  // namespace platform
