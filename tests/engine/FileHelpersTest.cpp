#include "FileHelpers.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "CStdioFile.h"
#include "ModulePath.h"
#include "ScratchDirectory.h"
#include "UserMessage.h"

namespace fs = std::filesystem;

class FileHelpersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMessageHandler([this](const std::string& text, const std::string& caption) {
            messages.push_back(text);
            captions.push_back(caption);
        });
    }
    void TearDown() override
    {
        platform::SetMessageHandler({});
    }
    std::string Write(const std::string& name, const std::string& content) { return scratch.writeText(name, content); }
    //! The message shown when opening `path` fails.
    std::string FailureFor(const std::string& path, unsigned flags = CFile::modeRead)
    {
        messages.clear();
        CFile file;
        EXPECT_FALSE(OpenWithReport(file, path, flags, true));
        EXPECT_FALSE(file.IsOpen());
        return messages.size() == 1 ? messages[0] : "(" + std::to_string(messages.size()) + " messages)";
    }

    ScratchDirectory scratch;
    std::vector<std::string> messages;
    std::vector<std::string> captions;
};

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

TEST_F(FileHelpersTest, UnreadableFileIsAccessDenied)
{
    const std::string path = Write("data.bin", "x");
    fs::permissions(path, fs::perms::none);
    if (::geteuid() != 0) {
        EXPECT_EQ(FailureFor(path), "Can not access to the file\n" + path);
        return;
    }
    // Permissions do not bind root: try as an unprivileged user in a child.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string shown = "(could not drop privileges)";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            shown = FailureFor(path);
        (void)!::write(pipeFds[1], shown.data(), shown.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string shown;
    char chunk[256];
    for (ssize_t got; (got = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;)
        shown.append(chunk, std::size_t(got));
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(shown, "Can not access to the file\n" + path);
}

TEST_F(FileHelpersTest, RunningOutOfDescriptorsIsTooManyOpenFiles)
{
    const std::string path = Write("data.bin", "x");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    std::vector<int> held;
    rlimit tight = saved;
    tight.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    for (int fd; (fd = ::dup(0)) >= 0;)
        held.push_back(fd);
    const std::string shown = FailureFor(path);
    for (int fd : held)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(shown, "File been opened too many times\n" + path);
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
