// The single-instance lock as both systems keep it: a lock file on Linux, a
// named mutex on Windows.
#include <gtest/gtest.h>

#include <string>

#include "ModulePath.h"
#include "SingleInstanceLock.h"

namespace {

using platform::SingleInstanceLock;

// Names of this test run alone, so a copy of the program the developer has open is left alone.
std::string Name(const std::string& tag) { return "vantrel-test-" + std::to_string(platform::ProcessId()) + tag; }

TEST(SingleInstanceLockTest, SecondHolderOfTheSameNameIsRefusedUntilTheFirstLetsGo)
{
    SingleInstanceLock first(Name("-app"));
    SingleInstanceLock second(Name("-app"));
    ASSERT_EQ(first.Acquire(), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(second.Acquire(), SingleInstanceLock::Result::HeldElsewhere);
    EXPECT_FALSE(second.IsHeld());
    first.Release();
    EXPECT_EQ(second.Acquire(), SingleInstanceLock::Result::Acquired);
}

TEST(SingleInstanceLockTest, DifferentNamesDoNotSeeEachOther)
{
    SingleInstanceLock first(Name("-app"));
    SingleInstanceLock other(Name("-app-copy"));
    EXPECT_EQ(first.Acquire(), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(other.Acquire(), SingleInstanceLock::Result::Acquired);
}

}  // namespace
