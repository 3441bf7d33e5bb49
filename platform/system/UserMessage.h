#pragma once
#include <functional>
#include <string>

namespace platform {

//! Shows a message to the user: a modal OK box in the window, a printed line
//! in a headless run, a captured entry in tests. `caption` is the
//! application name.
using MessageHandler = std::function<void(const std::string& text, const std::string& caption)>;

//! Installs the handler for ShowMessage; an empty handler restores the
//! default, which prints the text to standard error.
void SetMessageHandler(MessageHandler handler);

//! Every message to the user goes through here, with the application name as caption.
void ShowMessage(const std::string& text);

//! The application name: the executable's file name without its extension.
std::string ApplicationName();

}  // namespace platform
