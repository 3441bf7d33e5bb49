#include "HeadlessOptions.h"

#include <limits>

#include "InstrumentOptions.h"

namespace {

constexpr const char* kProgram = "vantrel-update";
constexpr std::uint64_t kWordAddresses = std::uint64_t{1} << 32;

constexpr const char* kDescription =
    "Writes a firmware image into the instrument's flash over MIDI, exactly as the\n"
    "updater window does, for scripts, service benches and build pipelines. It can\n"
    "also keep a backup of what an update replaces, compare the flash with an image\n"
    "without changing it, and read flash contents out to a file. While it talks to\n"
    "the instrument, it asks the system not to sleep, not to suspend when idle or\n"
    "when the lid is closed and not to shut down (a logind inhibitor lock; on\n"
    "Windows an execution state, a power request and a refused shutdown).\n";

constexpr const char* kFooter =
    "Exit codes:\n"
    "  0    success (or --help, --version, --list; with --probe: the instrument\n"
    "       answers)\n"
    "  1    unexpected error of this program\n"
    "  2    command line not understood\n"
    "  3    product, block list, device, data file or output file missing or\n"
    "       unusable, or the data file changed during the run\n"
    "  4    MIDI ports could not be opened (in use, or no longer connected)\n"
    "  5    erase, write, read-back, read or comparison failed (with --probe: the\n"
    "       instrument does not answer)\n"
    "  130  stopped by Ctrl-C (SIGINT); 143 stopped by SIGTERM, or on Windows by\n"
    "       Ctrl-Break, closing the console window, the end of the session or\n"
    "       another program's close request\n";

const std::string kUpdate = "Update";
const std::string kService = "Service";
const std::string kOutput = "Output";

CLI::Option* addText(CLI::App& app, const std::string& name, std::optional<std::string>& target,
                     const std::string& typeName, const std::string& description, const std::string& group)
{
    return app
        .add_option_function<std::string>(
            name, [&target](const std::string& value) { target = value; }, description)
        ->type_name(typeName)
        ->group(group);
}

void addUpdateOptions(CLI::App& app, HeadlessOptions& options)
{
    app.add_flag("--list", options.list, "list the numbered MIDI out and in devices, then stop")->group(kUpdate);
    auto* product =
        addText(app, "--product", options.product, "NAME", "product type: config/NAME.cfg beside this program", kUpdate);
    auto* blocks =
        addText(app, "--blocks", options.blocksFile, "FILE", "flash block list file to use instead of a product", kUpdate);
    product->excludes(blocks);
    addText(app, "--out", options.outDevice, "DEV",
            "MIDI out device: its number, or a part of its name (any letter case) that matches exactly one device",
            kUpdate);
    addText(app, "--in", options.inDevice, "DEV", "MIDI in device, chosen the same way", kUpdate);
    addText(app, "--data", options.dataPath, "FILE", "firmware data file (*.bin)", kUpdate);
    app.add_flag("--verify,!--no-verify", options.verify,
                 "read the image back and compare it (the default), or skip that")
        ->group(kUpdate);
}

void addServiceOptions(CLI::App& app, HeadlessOptions& options)
{
    auto* backup = addText(app, "--backup", options.backupPath, "FILE",
                           "before the first erase, save what the update will erase or overwrite: from word 0 "
                           "to the end of the last block the image reaches, as an image this program can write back",
                           kService);
    auto* verifyOnly = app.add_flag("--verify-only", options.verifyOnly,
                                    "compare the flash with the image from the first block on; erase and write "
                                    "nothing, report the first word that differs")
                           ->group(kService);
    auto* read = addText(app, "--read", options.readPath, "FILE", "save flash contents to FILE (needs --words)",
                         kService);
    auto* from = CommandLine::AddNumber(
                     app, "--from", 0, kWordAddresses - 1,
                     [&options](std::uint64_t n) { options.readFrom = static_cast<std::uint32_t>(n); },
                     "first word address read (default 0)")
                     ->type_name("ADDR")
                     ->group(kService);
    auto* words = CommandLine::AddNumber(
                      app, "--words", 1, kWordAddresses, [&options](std::uint64_t n) { options.readWords = n; },
                      "words read")
                      ->group(kService);
    auto* probe = app.add_flag("--probe", options.probe,
                               "open --out and --in, read one word and say whether the instrument answers; "
                               "erase and write nothing")
                      ->group(kService);
    verifyOnly->excludes(backup);
    read->excludes(backup)->excludes(verifyOnly)->needs(words);
    probe->excludes(backup)->excludes(verifyOnly)->excludes(read);
    from->needs(read);
    words->needs(read);
    app.add_flag("--json", options.json,
                 "print one JSON object per line (sleep lock, progress, messages, result) instead of text and "
                 "progress bar")
        ->group(kOutput);
}

void addSimulatorOptions(CLI::App& app, HeadlessOptions& options, InstrumentOptions& instrument)
{
    const std::string group = "Simulated instrument (no hardware needed)";
    auto* simulated = app.add_flag("--simulated", options.simulated,
                                   "add the simulated instrument after the real devices")
                          ->group(group);
    addText(app, "--sim-load", options.simulatorLoadPath, "FILE",
            "fill its flash from FILE (low byte first) before the run; by default it starts erased", group)
        ->needs(simulated);
    addText(app, "--sim-save", options.simulatorSavePath, "FILE",
            "write its flash (low byte first) to FILE after the run", group)
        ->needs(simulated);
    instrument.Add(app, "--sim-", group, "Simulated faults");
    // A property of the link, not of the instrument: the standalone one has a real port.
    app.add_flag("--sim-stall-at-end", instrument.config.faults.stallAtEnd,
                 "the end command never leaves the wire: a run waits on it until the program ends")
        ->group("Simulated faults")
        ->needs(simulated);
    for (CLI::Option* option : instrument.options())
        option->needs(simulated);
}

bool checkReadRange(const HeadlessOptions& options, std::string& error)
{
    if (!options.readPath || options.readFrom + options.readWords <= kWordAddresses)
        return true;
    error = "--from and --words reach beyond the last word address, 0xFFFFFFFF";
    return false;
}

}  // namespace

HeadlessOptions::Mode HeadlessOptions::mode() const
{
    if (list)
        return Mode::List;
    if (readPath)
        return Mode::Read;
    if (probe)
        return Mode::Probe;
    return verifyOnly ? Mode::VerifyOnly : Mode::Update;
}

CommandLine::Outcome ParseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options)
{
    auto app = CommandLine::NewApp(kProgram, kDescription);
    InstrumentOptions instrument;
    instrument.config = options.simulator;
    addUpdateOptions(*app, options);
    addServiceOptions(*app, options);
    addSimulatorOptions(*app, options, instrument);
    app->footer(std::string(CommandLine::kNumberRule) + "\n\n" + kFooter);

    CommandLine::Outcome outcome = CommandLine::Parse(*app, args);
    if (outcome.kind == CommandLine::Outcome::Kind::Run &&
        (!instrument.Finish(outcome.text) || !checkReadRange(options, outcome.text)))
        outcome.kind = CommandLine::Outcome::Kind::Error;
    options.simulator = instrument.config;
    return outcome;
}
