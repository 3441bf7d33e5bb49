// vantrel-sim-instrument: the simulated instrument as a JACK client or on an
// ALSA raw MIDI device, for trying the updater end to end without hardware.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "FlashImageFile.h"
#include "JackInstrumentClient.h"
#include "RawMidiInstrumentClient.h"
#include "SimInstrumentOptions.h"

namespace {

const std::string kProgram = "vantrel-sim-instrument";

// How often the main thread looks at the transport while it waits for a signal.
constexpr long kSignalPollNs = 100'000'000;

void printError(const std::string& text) { std::fprintf(stderr, "%s: %s\n", kProgram.c_str(), text.c_str()); }

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

//! Waits for SIGINT/SIGTERM; returns false if the transport went away first.
bool waitForStop(const sigset_t& signals, const std::function<bool()>& transportGone)
{
    const timespec step{0, kSignalPollNs};
    while (!transportGone()) {
        if (sigtimedwait(&signals, nullptr, &step) > 0)
            return true;
    }
    return false;
}

//! Fills the flash from --flash-in and has the client keep what --received-out writes.
template <class Client>
bool prepare(Client& client, const SimInstrumentOptions& options)
{
    if (!options.receivedOutPath.empty())
        client.keepReceived();
    if (options.flashInPath.empty())
        return true;
    std::vector<std::uint16_t> image;
    std::string error;
    if (!LoadFlashImage(options.flashInPath, image, error)) {
        printError(error);
        return false;
    }
    client.preload(image);
    return true;
}

//! Saves the flash when asked and prints the summary; returns the exit code.
template <class Client>
int finish(const Client& client, const SimInstrumentOptions& options, int code)
{
    std::string error;
    if (!options.flashOutPath.empty() && !SaveFlashImage(options.flashOutPath, client.flash(), error)) {
        printError(error);
        code = kSimExitFlashFile;
    }
    if (!options.receivedOutPath.empty() && !SaveBytes(options.receivedOutPath, client.received(), error)) {
        printError(error);
        code = kSimExitFlashFile;
    }
    std::printf("%s: %s\n", kProgram.c_str(), FormatInstrumentSummary(client.statistics()).c_str());
    return code;
}

int serveOnJack(const SimInstrumentOptions& options, const sigset_t& signals)
{
    JackInstrumentClient client(options.config);
    if (!prepare(client, options))
        return kSimExitFlashFile;
    const platform::MidiResult opened = client.open(options.clientName, options.serverName);
    if (!opened.ok()) {
        printError(opened.detail.empty() ? "cannot join the JACK server" : opened.detail);
        return kSimExitJack;
    }
    std::printf("%s: listening on %s, answering on %s\n", kProgram.c_str(), client.inputPortName().c_str(),
                client.outputPortName().c_str());
    std::fflush(stdout);

    const bool stoppedBySignal = waitForStop(signals, [&] { return client.serverGone(); });
    client.close();
    if (!stoppedBySignal)
        printError("the JACK server has shut down");
    return finish(client, options, stoppedBySignal ? kSimExitStopped : kSimExitJack);
}

int serveOnRawMidi(const SimInstrumentOptions& options, const sigset_t& signals)
{
    RawMidiInstrumentClient client(options.config, printError);
    if (!prepare(client, options))
        return kSimExitFlashFile;
    const platform::MidiResult opened = client.open(options.rawMidiDevice);
    if (!opened.ok()) {
        printError(opened.detail);
        return kSimExitJack;
    }
    std::printf("%s: listening and answering on %s\n", kProgram.c_str(), options.rawMidiDevice.c_str());
    std::fflush(stdout);
    waitForStop(signals, [] { return false; });
    client.close();
    return finish(client, options, kSimExitStopped);
}

}  // namespace

int main(int argc, char** argv)
{
    SimInstrumentOptions options;
    const CommandLine::Outcome parsed = ParseSimInstrumentOptions({argv + 1, argv + argc}, options);
    if (parsed.kind != CommandLine::Outcome::Kind::Run)
        return CommandLine::Report(parsed, kProgram, kSimExitUsage);
    const sigset_t signals = blockStopSignals();
    return options.rawMidiDevice.empty() ? serveOnJack(options, signals) : serveOnRawMidi(options, signals);
}
