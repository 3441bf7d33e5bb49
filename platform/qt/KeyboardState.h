#pragma once
// Lock-key state, which Qt's keyboard modifiers leave out. It is read from the
// native modifiers the window system sent with each key event, so it is right
// from the first key, whatever was pressed before the program started.
class QKeyEvent;

namespace platform {

//! True when Caps Lock was toggled on as `event` arrived.
bool IsCapsLockOn(const QKeyEvent& event);

}  // namespace platform
