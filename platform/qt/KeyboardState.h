#pragma once
// Lock-key state the toolkit does not offer portably. Caps Lock is followed by
// watching its key presses application-wide; it is assumed off at start.

namespace platform {

//! Starts watching Caps Lock presses; safe to call repeatedly.
void WatchCapsLock();
//! True while Caps Lock is toggled on.
bool IsCapsLockOn();
//! Overrides the tracked Caps Lock state (start-up sync and tests).
void SetCapsLockOn(bool on);

}  // namespace platform
