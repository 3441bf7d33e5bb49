#include "LongPath.h"

#include <algorithm>

namespace platform {
namespace {

// Windows' MAX_PATH, terminating null included: the longest path its file
// functions parse themselves is one character shorter.
constexpr std::size_t kMaxPath = 260;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsDrivePath(const std::wstring& path)
{
    return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && path[2] == L'\\';
}

}  // namespace

std::wstring LongPathForm(std::wstring fullPath)
{
    if (fullPath.size() < kMaxPath)
        return fullPath;
    std::replace(fullPath.begin(), fullPath.end(), L'/', L'\\');
    if (StartsWith(fullPath, LR"(\\?\)") || StartsWith(fullPath, LR"(\\.\)") || StartsWith(fullPath, LR"(\??\)"))
        return fullPath;
    if (StartsWith(fullPath, LR"(\\)"))
        return LR"(\\?\UNC\)" + fullPath.substr(2);
    if (IsDrivePath(fullPath))
        return LR"(\\?\)" + fullPath;
    return fullPath;
}

}  // namespace platform
