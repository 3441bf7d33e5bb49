#include "FileHelpers.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

#include "CStdioFile.h"
#include "FileHelpersFixture.h"
#include "ModulePath.h"

namespace fs = std::filesystem;

TEST_F(FileHelpersTest, ExeDirectoryEndsInTheSeparatorAndStaysTheSame)
{
    std::string first = "junk";
    std::string& result = GetExeDirectory(first);
    EXPECT_EQ(&result, &first);
    const std::string exe = platform::ModuleFilePath();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.back(), platform::PathSeparator());
    EXPECT_EQ(exe.substr(0, first.size()), first);
    EXPECT_EQ(exe.find(platform::PathSeparator(), first.size()), std::string::npos);
    std::string second;
    EXPECT_EQ(GetExeDirectory(second), first);
}

TEST_F(FileHelpersTest, OpenWithReportOpensAndShowsNothing)
{
    const std::string path = Write("image.bin", std::string("\x11\x22\x33", 3));
    CFile file;
    EXPECT_TRUE(OpenWithReport(file, path, CFile::modeRead | CFile::typeBinary, true));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(file.GetLength(), 3u);
}

TEST_F(FileHelpersTest, MissingFileNamesTheFileOnTheNextLine)
{
    const std::string path = scratch.file("missing.cfg");
    EXPECT_EQ(FailureFor(path), "No such file in the directory\n" + path);
    EXPECT_EQ(captions.back(), platform::ApplicationName());
}

TEST_F(FileHelpersTest, MissingDirectoryIsABadPath)
{
    const std::string path = (scratch.path() / "config" / "x.cfg").string();
    EXPECT_EQ(FailureFor(path), "No such directory\n" + path);
    const std::string throughFile = Write("plain", "x") + "/x.cfg";
    EXPECT_EQ(FailureFor(throughFile), "No such directory\n" + throughFile);
}

TEST_F(FileHelpersTest, DirectoryGivenAsAFileIsRefused)
{
    const std::string path = scratch.path().string();
    EXPECT_EQ(FailureFor(path), "Can not access to the file\n" + path);
    CStdioFile text;
    EXPECT_FALSE(OpenWithReport(text, path, CFile::modeRead | CFile::typeText, false));
}


TEST_F(FileHelpersTest, SilentFailureShowsNothing)
{
    CFile file;
    EXPECT_FALSE(OpenWithReport(file, scratch.file("none"), CFile::modeRead, false));
    EXPECT_TRUE(messages.empty());
}

TEST_F(FileHelpersTest, ShowFileErrorUsesTheTextOfEachCause)
{
    const std::pair<int, const char*> table[] = {
        {CFileException::fileNotFound, "No such file in the directory\n"},
        {CFileException::badPath, "No such directory\n"},
        {CFileException::tooManyOpenFiles, "File been opened too many times\n"},
        {CFileException::accessDenied, "Can not access to the file\n"},
        {CFileException::invalidFile, "The file is invalid\n"},
        {CFileException::sharingViolation, "File shareing violation\n"},
        {CFileException::lockViolation, "File lock violation\n"},
        {CFileException::diskFull, "Run out of disk\n"},
        {CFileException::endOfFile, "File reach the end\n"},
        {CFileException::none, "Unknown Error!"},
        {CFileException::genericException, "Unknown Error!"},
        {CFileException::hardIO, "Unknown Error!"},
        {99, "Unknown Error!"},
    };
    for (const auto& [cause, text] : table) {
        messages.clear();
        ShowFileError("C/p.bin", CFileException(cause));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], std::string(text) + "C/p.bin") << "cause " << cause;
    }
}
