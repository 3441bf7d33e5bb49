#pragma once

namespace platform {

//! Runs every waiting Qt event once (painting, input, timers, posted events).
//! Returns false once the application is shutting down.
bool PumpQtEvents();

//! Makes PumpQtEvents the pump that PumpWaitingMessages runs.
void InstallQtEventPump();

}  // namespace platform
