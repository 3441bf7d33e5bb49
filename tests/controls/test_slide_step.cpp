// The number maths of sliding an edit's value with the mouse.
#include <gtest/gtest.h>

#include <limits>

#include "SlideStep.h"

TEST(SlideStepTest, WholeStepsOfEightPixelsWithTheRemainderDroppedTowardZero)
{
    EXPECT_EQ(SlideDelta(100, 92), 1);  // up is positive
    EXPECT_EQ(SlideDelta(100, 140), -5);
    EXPECT_EQ(SlideDelta(100, 93), 0);   // 7 up
    EXPECT_EQ(SlideDelta(100, 107), 0);  // 7 down: truncated, not floored to -1
    EXPECT_EQ(SlideDelta(100, 91), 1);   // 9 up
    const int big = std::numeric_limits<int>::max();
    EXPECT_EQ(SlideDelta(big, -big), big / 4);  // no overflow
}

TEST(SlideStepTest, ValueStaysBetweenZeroAndTheLargest32BitValue)
{
    const std::int32_t max = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(SlideValue(3, -5), 0);
    EXPECT_EQ(SlideValue(-7, 2), 0);
    EXPECT_EQ(SlideValue(5, 1), 6);
    EXPECT_EQ(SlideValue(max - 1, 5), max);  // saturates instead of wrapping negative
}

TEST(SlideStepTest, TextReadsAndWritesAsTheEditShowsIt)
{
    EXPECT_EQ(ParseSlideText("", false), 0);
    EXPECT_EQ(ParseSlideText("abc", false), 0);
    EXPECT_EQ(ParseSlideText("ff", true), 255);
    EXPECT_EQ(ParseSlideText("FFFFFFFF", true), -1);  // unsigned reading taken as signed
    EXPECT_EQ(FormatSlideText(SlideValue(ParseSlideText("FF", true), SlideDelta(50, 34)), true), "101");
    EXPECT_EQ(FormatSlideText(255, true), "FF");
    EXPECT_EQ(FormatSlideText(std::numeric_limits<std::int32_t>::max(), false), "2147483647");
}
