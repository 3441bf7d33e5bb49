// What only Linux has: FIFOs in folders, and errno values as the open's errors.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>

#include "CFileException.h"
#include "CStdioFile.h"
#include "ScratchDirectory.h"
#include "SystemFiles.h"

TEST(CFileLinuxTest, NamedPipeIsRefusedWithoutWaitingForAWriter)
{
    const ScratchDirectory scratch;
    const std::string path = scratch.file("pipe.bin");
    ASSERT_TRUE(testsupport::MakeNamedPipe(path));
    auto opened = std::async(std::launch::async, [&] {
        CStdioFile file;
        CFileException error;
        const bool ok = file.Open(path.c_str(), CFile::modeRead | CFile::typeText, &error);
        return std::make_pair(ok, error.m_cause);
    });
    if (opened.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
        // Free the blocked open so the test ends.
        const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        ADD_FAILURE() << "the open waited for a writer";
        opened.wait();
        if (writer >= 0)
            ::close(writer);
        return;
    }
    const auto [ok, cause] = opened.get();
    EXPECT_FALSE(ok);
    EXPECT_EQ(cause, CFileException::invalidFile);
}

TEST(CFileExceptionTest, OsErrorsMapToCauses)
{
    EXPECT_EQ(CFileException::OsErrorToCause(ENOENT, false), CFileException::fileNotFound);
    EXPECT_EQ(CFileException::OsErrorToCause(ENOENT, true), CFileException::badPath);
    EXPECT_EQ(CFileException::OsErrorToCause(ENOTDIR, false), CFileException::badPath);
    EXPECT_EQ(CFileException::OsErrorToCause(EACCES, false), CFileException::accessDenied);
    EXPECT_EQ(CFileException::OsErrorToCause(EPERM, false), CFileException::accessDenied);
    EXPECT_EQ(CFileException::OsErrorToCause(EISDIR, false), CFileException::accessDenied);
    EXPECT_EQ(CFileException::OsErrorToCause(EMFILE, false), CFileException::tooManyOpenFiles);
    EXPECT_EQ(CFileException::OsErrorToCause(ENFILE, false), CFileException::tooManyOpenFiles);
    EXPECT_EQ(CFileException::OsErrorToCause(ENOSPC, false), CFileException::diskFull);
    EXPECT_EQ(CFileException::OsErrorToCause(EIO, false), CFileException::genericException);
    EXPECT_EQ(CFileException::OsErrorToCause(EINVAL, false), CFileException::genericException);
}
