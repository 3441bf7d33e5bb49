// What only Windows has: sharing modes, and its error codes as the open's errors.
#include <windows.h>

#include <gtest/gtest.h>

#include "CFile.h"
#include "CFileException.h"
#include "ScratchDirectory.h"

TEST(CFileWindowsTest, FileHeldExclusivelyElsewhereIsASharingViolation)
{
    const ScratchDirectory scratch;
    const std::string path = scratch.writeText("held.bin", "x");
    CFile holder;
    ASSERT_TRUE(holder.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive));
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(path.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(error.m_lOsError, ERROR_SHARING_VIOLATION);
    holder.Close();
    EXPECT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    EXPECT_FALSE(holder.Open(path.c_str(), CFile::modeRead, &error)) << "the default shares with nobody";
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
}

TEST(CFileExceptionTest, OsErrorsMapToCauses)
{
    const std::pair<DWORD, int> cases[] = {
        {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},  {ERROR_PATH_NOT_FOUND, CFileException::badPath},
        {ERROR_INVALID_NAME, CFileException::badPath},         {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
        {ERROR_ACCESS_DENIED, CFileException::accessDenied},   {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
        {ERROR_LOCK_VIOLATION, CFileException::lockViolation}, {ERROR_DISK_FULL, CFileException::diskFull},
        {ERROR_CRC, CFileException::genericException},
    };
    for (const auto& [error, cause] : cases)
        EXPECT_EQ(CFileException::OsErrorToCause(static_cast<int>(error), false), cause) << "error " << error;
}
