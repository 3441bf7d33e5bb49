// vantrel-sim-instrument: the simulated instrument as a JACK client, for
// trying the updater end to end without hardware.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "FlashImageFile.h"
#include "JackInstrumentClient.h"
#include "SimInstrumentOptions.h"

namespace {

// How often the main thread looks at the server while it waits for a signal.
constexpr long kSignalPollNs = 100'000'000;

//! Blocks SIGINT and SIGTERM in this and every later thread (JACK's included),
//! so they arrive only through waitForStop.
sigset_t blockStopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return set;
}

//! Waits for SIGINT/SIGTERM; returns false if the server went away first.
bool waitForStop(const sigset_t& signals, const JackInstrumentClient& client)
{
    const timespec step{0, kSignalPollNs};
    while (!client.serverGone()) {
        if (sigtimedwait(&signals, nullptr, &step) > 0)
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string program = "vantrel-sim-instrument";
    SimInstrumentOptions options;
    const CommandLine::Outcome parsed = ParseSimInstrumentOptions({argv + 1, argv + argc}, options);
    if (parsed.kind != CommandLine::Outcome::Kind::Run)
        return CommandLine::Report(parsed, program, kSimExitUsage);
    std::string error;

    const sigset_t signals = blockStopSignals();
    JackInstrumentClient client(options.config);
    if (!options.flashInPath.empty()) {
        std::vector<std::uint16_t> image;
        if (!LoadFlashImage(options.flashInPath, image, error)) {
            std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
            return kSimExitFlashFile;
        }
        client.preload(image);
    }
    const platform::MidiResult opened = client.open(options.clientName, options.serverName);
    if (!opened.ok()) {
        const std::string why = opened.detail.empty() ? "cannot join the JACK server" : opened.detail;
        std::fprintf(stderr, "%s: %s\n", program.c_str(), why.c_str());
        return kSimExitJack;
    }
    std::printf("%s: listening on %s, answering on %s\n", program.c_str(), client.inputPortName().c_str(),
                client.outputPortName().c_str());
    std::fflush(stdout);

    const bool stoppedBySignal = waitForStop(signals, client);
    client.close();
    if (!stoppedBySignal)
        std::fprintf(stderr, "%s: the JACK server has shut down\n", program.c_str());

    int code = stoppedBySignal ? kSimExitStopped : kSimExitJack;
    if (!options.flashOutPath.empty() && !SaveFlashImage(options.flashOutPath, client.flash(), error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        code = kSimExitFlashFile;
    }
    std::printf("%s: %s\n", program.c_str(), FormatInstrumentSummary(client.statistics()).c_str());
    return code;
}
