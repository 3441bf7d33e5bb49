#include "SimInstrumentOptions.h"

#include "InstrumentOptions.h"

namespace {

constexpr const char* kProgram = "vantrel-sim-instrument";

constexpr const char* kDescription =
    "A simulated instrument on a JACK server: one MIDI input and one MIDI output\n"
    "port speaking the instrument's update protocol. Runs until SIGINT or SIGTERM,\n"
    "then writes its flash (with --flash-out) and prints a summary.\n";

constexpr const char* kExitCodes =
    "Exit codes:\n"
    "  0  stopped by SIGINT or SIGTERM (or --help, --version)\n"
    "  1  the JACK server could not be joined or went away\n"
    "  2  command line not understood\n"
    "  3  flash file could not be read or written\n";

}  // namespace

CommandLine::Outcome ParseSimInstrumentOptions(const std::vector<std::string>& args, SimInstrumentOptions& options)
{
    auto app = CommandLine::NewApp(kProgram, kDescription);
    app->add_option("--server", options.serverName, "JACK server to join (default: the default server)")
        ->type_name("NAME");
    app->add_option("--name", options.clientName, "client name (default vantrel-sim-instrument)")
        ->type_name("NAME")
        ->check([](const std::string& name) { return name.empty() ? "--name takes a client name" : ""; });
    app->add_option("--flash-in", options.flashInPath, "start with this image in flash (low byte first)")
        ->type_name("FILE");
    app->add_option("--flash-out", options.flashOutPath, "write the whole flash (low byte first) at exit")
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
