// Failures only Linux can produce: permission bits, and the descriptor limit.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "FileHelpersFixture.h"

namespace fs = std::filesystem;

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
