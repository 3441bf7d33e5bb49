// Paths past MAX_PATH in the form Windows opens them; the rule is plain text,
// so it is checked on every system.
#include <gtest/gtest.h>

#include "LongPath.h"

namespace {

TEST(LongPathTest, LongPathsTakeTheExtendedForm)
{
    const std::wstring name(300, L'n');
    const struct { std::wstring given, expected; } cases[] = {
        {LR"(C:\short\image.bin)", LR"(C:\short\image.bin)"},
        {LR"(C:\)" + name, LR"(\\?\C:\)" + name},
        {L"d:/a/" + name, LR"(\\?\d:\a\)" + name},
        {LR"(\\server\share\)" + name, LR"(\\?\UNC\server\share\)" + name},
        {LR"(\\?\C:\)" + name, LR"(\\?\C:\)" + name},
        {LR"(\\.\pipe\)" + name, LR"(\\.\pipe\)" + name},
        {L"relative\\" + name, L"relative\\" + name},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::LongPathForm(c.given), c.expected);
}

}  // namespace
