#include "SelectionRules.h"

#include <algorithm>
#include <cctype>

namespace SelectionRules {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string ToUpper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), Upper);
    return text;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

}  // namespace

int PreferredDeviceIndex(const std::vector<std::string>& names)
{
    int preferred = -1;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (ToUpper(names[i]).find("USB") != std::string::npos)
            preferred = static_cast<int>(i);  // the last match wins
    if (preferred >= 0)
        return preferred;
    return names.empty() ? -1 : 0;
}

std::string DisplayName(const std::string& name, std::size_t index)
{
    if (!name.empty())
        return name;
    return "MIDI device " + std::to_string(index) + " (name unavailable)";
}

std::vector<FilterChoice> ParseFilter(const std::string& filter)
{
    std::vector<FilterChoice> choices;
    const std::vector<std::string> parts = Split(filter, '|');
    // Pairs of label and patterns; the closing "||" leaves empty parts behind.
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty())
            break;
        choices.push_back({parts[i], Split(parts[i + 1], ';')});
    }
    return choices;
}

std::string CaseInsensitivePattern(const std::string& pattern)
{
    std::string out;
    for (char c : pattern) {
        if (std::isalpha(static_cast<unsigned char>(c)) != 0) {
            out += '[';
            out += Lower(c);
            out += Upper(c);
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

std::string DialogPattern(const std::string& pattern)
{
    return pattern == "*.*" ? std::string("*") : CaseInsensitivePattern(pattern);
}

}  // namespace SelectionRules
