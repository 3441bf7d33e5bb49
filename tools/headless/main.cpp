// vantrel-update: the firmware updater without a window, for scripts,
// service benches and build pipelines.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "CommandLineArguments.h"
#include "ExitCode.h"
#include "HeadlessOptions.h"
#include "HeadlessUpdater.h"

int main(int argc, char** argv)
{
    const std::string program = "vantrel-update";
    HeadlessOptions options;
    const CommandLine::Outcome parsed = ParseHeadlessOptions(platform::CommandLineArguments(argc, argv), options);
    if (parsed.kind != CommandLine::Outcome::Kind::Run)
        return CommandLine::Report(parsed, program, kExitUsage);
    try {
        HeadlessUpdater updater(std::move(options), stdout, stderr);
        return updater.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
    }
    return kExitInternal;
}
