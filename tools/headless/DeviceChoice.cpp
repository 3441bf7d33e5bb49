#include "DeviceChoice.h"

#include <algorithm>
#include <cctype>

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool allDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

DeviceChoice byNumber(std::size_t count, const std::string& wanted)
{
    // More digits than any list could need is simply beyond the list.
    if (wanted.size() > 9)
        return {DeviceChoice::Result::NoSuchNumber, 0};
    const std::size_t number = std::stoul(wanted);
    if (number >= count)
        return {DeviceChoice::Result::NoSuchNumber, 0};
    return {DeviceChoice::Result::Found, number};
}

}  // namespace

DeviceChoice ChooseDevice(const std::vector<std::string>& names, const std::string& wanted)
{
    if (allDigits(wanted))
        return byNumber(names.size(), wanted);
    const std::string needle = lowered(wanted);
    std::vector<std::size_t> equal, containing;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = lowered(names[i]);
        if (name == needle)
            equal.push_back(i);
        if (!needle.empty() && name.find(needle) != std::string::npos)
            containing.push_back(i);
    }
    if (equal.size() == 1)
        return {DeviceChoice::Result::Found, equal.front()};
    if (containing.size() == 1)
        return {DeviceChoice::Result::Found, containing.front()};
    return {containing.empty() ? DeviceChoice::Result::NoMatch : DeviceChoice::Result::Ambiguous, 0};
}

std::string DeviceChoiceProblem(const DeviceChoice& choice, const std::string& kind, const std::string& wanted,
                                std::size_t deviceCount)
{
    switch (choice.result) {
    case DeviceChoice::Result::NoSuchNumber:
        if (deviceCount == 0)
            return "There is no " + kind + " device " + wanted;
        return "There is no " + kind + " device " + wanted + " (devices 0 to " + std::to_string(deviceCount - 1) +
               ")";
    case DeviceChoice::Result::Ambiguous:
        return "More than one " + kind + " device matches \"" + wanted + "\"";
    case DeviceChoice::Result::NoMatch:
        return "No " + kind + " device matches \"" + wanted + "\"";
    case DeviceChoice::Result::Found:
        break;
    }
    return {};
}

std::vector<std::string> NumberedDevices(const std::vector<std::string>& names)
{
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < names.size(); ++i)
        lines.push_back(std::to_string(i) + ": " + names[i]);
    return lines;
}
