#pragma once
#include <string>

namespace platform {

//! Shows `text` in a modal OK box with a warning icon and `caption` as its
//! title, owned by the active window. On a display-less platform (offscreen,
//! minimal) nobody could press OK, so the text goes to standard error instead.
void ShowQtMessageBox(const std::string& text, const std::string& caption);

//! Makes ShowQtMessageBox the handler of every ShowMessage.
void InstallQtMessageBox();

//! True when the GUI runs without a screen a user can see.
bool IsHeadlessPlatform();

}  // namespace platform
