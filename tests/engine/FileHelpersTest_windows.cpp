// Failures only Windows produces: a file another program holds exclusively.
#include "FileHelpersFixture.h"

TEST_F(FileHelpersTest, FileHeldExclusivelyIsASharingViolation)
{
    const std::string path = Write("data.bin", "x");
    CFile holder;
    ASSERT_TRUE(holder.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive));
    EXPECT_EQ(FailureFor(path), "File shareing violation\n" + path);
}
