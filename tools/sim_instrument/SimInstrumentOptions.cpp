#include "SimInstrumentOptions.h"

#include "InstrumentOptions.h"

namespace {

constexpr const char* kProgram = "vantrel-sim-instrument";

constexpr const char* kDescription =
    "A simulated instrument speaking the instrument's update protocol: a JACK\n"
    "client with one MIDI input and one MIDI output port, or the device on an ALSA\n"
    "raw MIDI port (--rawmidi). Runs until SIGINT or SIGTERM, then writes its flash\n"
    "(with --flash-out) and prints a summary.\n";

constexpr const char* kExitCodes =
    "Exit codes:\n"
    "  0  stopped by SIGINT or SIGTERM (or --help, --version)\n"
    "  1  the JACK server could not be joined or went away, or the raw MIDI device\n"
    "     could not be opened\n"
    "  2  command line not understood\n"
    "  3  a flash file, or the file of received bytes, could not be read or written\n";

}  // namespace

CommandLine::Outcome ParseSimInstrumentOptions(const std::vector<std::string>& args, SimInstrumentOptions& options)
{
    auto app = CommandLine::NewApp(kProgram, kDescription);
    app->add_option("--server", options.serverName, "JACK server to join (default: the default server)")
        ->type_name("NAME");
    app->add_option("--name", options.clientName, "client name (default vantrel-sim-instrument)")
        ->type_name("NAME")
        ->check([](const std::string& name) { return name.empty() ? "--name takes a client name" : ""; });
    app->add_option("--rawmidi", options.rawMidiDevice,
                    "serve this ALSA raw MIDI device (e.g. hw:0,0, the device side of a USB MIDI gadget) "
                    "instead of JACK; when it goes away the instrument waits for it, flash kept")
        ->type_name("DEVICE")
        ->check([](const std::string& device) {
            return device.empty() ? "--rawmidi takes an ALSA raw MIDI device, e.g. hw:0,0" : "";
        });
    app->add_option("--flash-in", options.flashInPath, "start with this image in flash (low byte first)")
        ->type_name("FILE");
    app->add_option("--flash-out", options.flashOutPath, "write the whole flash (low byte first) at exit")
        ->type_name("FILE");
    app->add_option("--received-out", options.receivedOutPath,
                    "write every byte received, in the order it came, at exit (a log of the link)")
        ->type_name("FILE");
    InstrumentOptions instrument;
    instrument.config = options.config;
    instrument.Add(*app, "--", "The instrument", "Faults");
    app->footer(std::string(CommandLine::kNumberRule) + "\n\n" + kExitCodes);

    CommandLine::Outcome outcome = CommandLine::Parse(*app, args);
    if (outcome.kind == CommandLine::Outcome::Kind::Run && !instrument.Finish(outcome.text))
        outcome.kind = CommandLine::Outcome::Kind::Error;
    options.config = instrument.config;
    return outcome;
}
