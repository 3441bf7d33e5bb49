// The headless updater's hidden window at the end of the session (Windows
// only; it needs a display driver: under Wine, an X display).
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "ShutdownBlocker.h"

namespace {

using platform::ShutdownBlocker;

std::vector<bool> g_requests;  // each stop request, true when the session ends

TEST(ShutdownBlockerTest, HiddenWindowRefusesTheEndAndPassesOnStopRequests)
{
    ShutdownBlocker::SetStopHandler([](bool sessionEnds) { g_requests.push_back(sessionEnds); });
    {
        const ShutdownBlocker blocker(L"testing", 0);
        if (!blocker.Held())
            GTEST_SKIP() << "no window could be made (no display)";
        const HWND window = ::FindWindowW(L"VantrelShutdownBlocker", nullptr);
        ASSERT_NE(window, nullptr);

        EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, 0), FALSE);
        ::SendMessageW(window, WM_ENDSESSION, FALSE, 0);  // cancelled: nothing to do
        ::SendMessageW(window, WM_ENDSESSION, TRUE, 0);
        ::SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(g_requests, (std::vector<bool>{true, false}));
        EXPECT_TRUE(::IsWindow(window)) << "a close from outside ended the block";
        EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, 0), FALSE);
    }
    ShutdownBlocker::SetStopHandler(nullptr);
    EXPECT_EQ(::FindWindowW(L"VantrelShutdownBlocker", nullptr), nullptr) << "the blocker's end left its window";
}

}  // namespace
