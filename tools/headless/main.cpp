// vantrel-update: the firmware updater without a window, for scripts,
// service benches and build pipelines.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "ExitCode.h"
#include "HeadlessOptions.h"
#include "HeadlessUpdater.h"
#include "UserMessage.h"

int main(int argc, char** argv)
{
    const std::string program = platform::ApplicationName();
    const std::vector<std::string> args(argv + 1, argv + argc);
    HeadlessOptions options;
    std::string error;
    if (!ParseHeadlessOptions(args, options, error)) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), error.c_str(), program.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(HeadlessUsage(program).c_str(), stdout);
        return kExitSuccess;
    }
    try {
        HeadlessUpdater updater(std::move(options), stdout, stderr);
        return updater.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
    }
    return kExitInternal;
}
