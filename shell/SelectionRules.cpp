#include "SelectionRules.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace SelectionRules {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string ToUpper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), Upper);
    return text;
}

bool LessIgnoringCase(const std::string& a, const std::string& b)
{
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) == Lower(y); });
    if (mismatch.first == a.end())
        return mismatch.second != b.end();
    if (mismatch.second == b.end())
        return false;
    return static_cast<unsigned char>(Lower(*mismatch.first)) < static_cast<unsigned char>(Lower(*mismatch.second));
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

bool IsProductFile(const DirEntry& entry)
{
    if (entry.isDirectory || entry.name.size() < 4)
        return false;
    const std::string tail = entry.name.substr(entry.name.size() - 4);
    return Lower(tail[0]) == '.' && Lower(tail[1]) == 'c' && Lower(tail[2]) == 'f' && Lower(tail[3]) == 'g';
}

std::string ProductName(const std::string& fileName)
{
    return fileName.size() <= 4 ? std::string() : fileName.substr(0, fileName.size() - 4);
}

std::vector<std::string> ProductNames(const std::vector<DirEntry>& entries)
{
    std::vector<std::string> names;
    for (const DirEntry& entry : entries)
        if (IsProductFile(entry))
            names.push_back(ProductName(entry.name));
    std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

std::vector<DirEntry> ListDirectory(const std::string& directory)
{
    std::vector<DirEntry> entries;
    std::error_code error;
    std::filesystem::directory_iterator it(directory, error);
    if (error)
        return entries;
    for (const auto& entry : it) {
        std::error_code statError;
        // is_directory follows links: a link to a directory is skipped like the directory.
        entries.push_back({entry.path().filename().string(), entry.is_directory(statError)});
    }
    return entries;
}

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
