#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ScratchDirectory.h"

TEST(ChildProcessTest, AddedEnvironmentReplacesTheInheritedAndOutputGoesToTheLog)
{
    const ScratchDirectory scratch;
    ::setenv("VANTREL_CHILD_TEST", "inherited", 1);
    ChildProcess child;
    ASSERT_TRUE(child.Start({"sh", "-c", "echo $VANTREL_CHILD_TEST"}, {"VANTREL_CHILD_TEST=added"},
                            scratch.file("log")));
    EXPECT_EQ(child.Wait().exitCode, 0);
    std::stringstream log;
    log << std::ifstream(scratch.file("log")).rdbuf();
    EXPECT_EQ(log.str(), "added\n");
    ::unsetenv("VANTREL_CHILD_TEST");
}

TEST(ChildProcessTest, ProgramThatCannotRunIsNotStarted)
{
    ChildProcess child;
    EXPECT_FALSE(child.Start({"/nonexistent/vantrel-program"}, {}, "/dev/null"));
    EXPECT_EQ(child.Pid(), -1);
    EXPECT_FALSE(child.Running());
}
