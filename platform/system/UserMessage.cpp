#include "UserMessage.h"

#include <cstdio>
#include <utility>

#include "ModulePath.h"

namespace platform {
namespace {

MessageHandler& handlerSlot()
{
    static MessageHandler handler;
    return handler;
}

}  // namespace

void SetMessageHandler(MessageHandler handler) { handlerSlot() = std::move(handler); }

void ShowMessage(const std::string& text)
{
    const std::string caption = ApplicationName();
    if (handlerSlot()) {
        handlerSlot()(text, caption);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

std::string ApplicationName()
{
    const std::string path = ModuleFilePath();
    const std::size_t slash = path.find_last_of(PathSeparator());
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot != 0)
        name.erase(dot);
    return name;
}

}  // namespace platform
