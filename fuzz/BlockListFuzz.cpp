// A product's block list file of any content, loaded as the update run does.
// What it must read as is worked out here independently: a leading UTF-8
// byte-order mark is skipped, CR, LF and CR LF end lines, every line is one
// hexadecimal address, and the load stops at the first all-ones one.
#include <list>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "FirmwareUpdate.h"
#include "FuzzSupport.h"
#include "ParseValue.h"

namespace {

class SilentObserver : public UpdateObserver {
public:
    void SetRange(int, int) override {}
    void SetPos(int) override {}
    void SetCaption(const std::string&) override {}
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void Pump() override {}
    void Wait(int) override {}

    std::vector<std::string> messages;
};

std::vector<std::string> expectedLines(std::string text)
{
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
        lines.push_back(text.substr(from, end - from));
        from = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// The file lives in memory, so no input costs disk traffic.
struct ScratchFile {
    int fd = -1;
    std::string path;
};

const ScratchFile& scratch()
{
    static const ScratchFile file = [] {
        const int fd = memfd_create("blocks.cfg", 0);
        return ScratchFile{fd, "/proc/self/fd/" + std::to_string(fd)};
    }();
    return file;
}

void writeScratch(const std::uint8_t* data, std::size_t size)
{
    const int fd = scratch().fd;
    Require(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
            "the scratch file cannot be written");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    writeScratch(data, size);
    std::list<std::uint32_t> blocks{0xDEAD};
    SilentObserver observer;
    const bool loaded = FirmwareUpdate::LoadFlashBlocks(scratch().path, blocks, observer);

    std::list<std::uint32_t> expected;
    bool expectLoaded = true;
    for (const std::string& line : expectedLines(std::string(reinterpret_cast<const char*>(data), size))) {
        std::uint32_t value = 0;
        if (!ParseHexValue(line.c_str(), value)) {
            expectLoaded = false;
            break;
        }
        expected.push_back(value);
    }
    Require(loaded == expectLoaded, "load result");
    Require(blocks == expected, "addresses");
    Require(observer.messages.size() == (loaded ? 0u : 1u), "messages");
    return 0;
}
