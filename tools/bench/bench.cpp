// vantrel-bench: times vantrel-update against the simulated instrument on
// modelled links and over a private JACK server, and sets each run beside
// the least time its traffic can take on that link.
#include <jack/jack.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <set>
#include <sstream>
#include <thread>

#include "BenchTable.h"
#include "ChildProcess.h"
#include "FileHelpers.h"
#include "FirmwareUpdate.h"
#include "JackClient.h"
#include "ProductCatalogue.h"
#include "SimulatedInstrument.h"
#include "UpdateBound.h"
#include "UpdateObserver.h"

namespace {

using Clock = std::chrono::steady_clock;

// JACK's dummy driver as the end-to-end test runs it: one MIDI message per period.
constexpr unsigned kJackRate = 48000;
constexpr unsigned kJackPeriod = 256;
constexpr auto kJackStartTimeout = std::chrono::seconds(10);
constexpr auto kJackStep = std::chrono::milliseconds(50);
constexpr const char* kInstrumentClient = "vantrel-bench-instrument";
// The simulated instrument's delivery thread inside vantrel-update.
constexpr const char* kSimulatorThread = "vantrel-sim-rx";
constexpr auto kSampleInterval = std::chrono::milliseconds(20);

struct BenchCase {
    const char* key;   //!< name on the command line
    const char* link;  //!< the table's first column
    bench::LinkModel model;
    bool jack;
};

const BenchCase kCases[] = {
    {"din", "MIDI cable, 3,125 B/s", {3125, 0, 0}, false},
    {"fast", "31,250 B/s", {31250, 0, 0}, false},
    {"usb", "31,250 B/s, 1 ms reply latency (USB-like)", {31250, 1, 0}, false},
    {"unlimited", "unlimited", {0, 0, 0}, false},
    {"jack", "JACK, dummy driver, 256 frames at 48 kHz", {0, 0, double(kJackPeriod) / kJackRate}, true},
};

struct Options {
    std::string binDirectory;
    std::string image;
    std::string product = "Home 61";
    unsigned replyWords = 16;
    std::string markdownPath;
    std::set<std::string> cases;  // empty: all
    bool boundsOnly = false;      // print each case's lower bound, run nothing
};

// The block list is read as the updater reads it; its messages go to stderr.
class StderrObserver : public UpdateObserver {
public:
    void SetRange(int, int) override {}
    void SetPos(int) override {}
    void SetCaption(const std::string&) override {}
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "vantrel-bench: %s\n", text.c_str()); }
    void Pump() override {}
};

const char kUsage[] =
    "Usage: vantrel-bench [--image FILE] [--product NAME] [--reply-words N] [--markdown FILE]\n"
    "                     [--cases din,fast,usb,unlimited,jack] [--bounds]\n"
    "Runs vantrel-update (beside this program) on each link and prints measured time,\n"
    "lower bound, their ratio and CPU time as a share of one core: the updater's own,\n"
    "and with the simulated instrument's thread that runs in its process.\n"
    "--bounds prints each case's key and lower bound in seconds and runs nothing\n"
    "(for timing other builds, such as the Windows one under Wine, by the same rule).\n";

bool ParseOptions(int argc, char** argv, Options& options)
{
    GetExeDirectory(options.binDirectory);
    options.image = options.binDirectory + "sample-firmware.bin";
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--bounds") {
            options.boundsOnly = true;
            continue;
        }
        if (name == "--help" || i + 1 >= argc)
            return false;
        const std::string value = argv[++i];
        if (name == "--image")
            options.image = value;
        else if (name == "--product")
            options.product = value;
        else if (name == "--reply-words")
            options.replyWords = static_cast<unsigned>(std::clamp(std::atoi(value.c_str()), 1, 49));
        else if (name == "--markdown")
            options.markdownPath = value;
        else if (name == "--cases") {
            std::istringstream keys(value);
            for (std::string key; std::getline(keys, key, ',');)
                options.cases.insert(key);
        } else
            return false;
    }
    return true;
}

std::string Number(std::uint64_t value) { return std::to_string(value); }

std::string LastLines(const std::string& path, std::size_t count)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::string text;
    for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i)
        text += "  " + lines[i] + "\n";
    return text;
}

// CPU seconds so far of the thread called `name` in process `pid`; -1 when there is none.
double ThreadCpuSeconds(pid_t pid, const std::string& name)
{
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::string comm;
        std::getline(std::ifstream(task.path() / "comm"), comm);
        if (comm != name)
            continue;
        std::string stat;
        std::getline(std::ifstream(task.path() / "stat"), stat);
        // After the name in parentheses: state is field 3, utime and stime are fields 14 and 15.
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::vector<std::string> values{std::istream_iterator<std::string>(fields), {}};
        if (values.size() < 13)
            return -1;
        return (std::stod(values[11]) + std::stod(values[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    return -1;
}

// Runs the updater once and measures it, the in-process instrument's thread apart.
bench::BenchRow TimeUpdate(const std::vector<std::string>& args, const std::vector<std::string>& environment,
                           const std::string& logPath)
{
    bench::BenchRow row;
    ChildProcess updater;
    const auto started = Clock::now();
    if (!updater.Start(args, environment, logPath)) {
        row.exitCode = -1;
        return row;
    }
    // Sampled until the end: the thread's last few milliseconds are lost at most.
    while (updater.Running()) {
        row.simulatorCpuSeconds = std::max(row.simulatorCpuSeconds, ThreadCpuSeconds(updater.Pid(), kSimulatorThread));
        std::this_thread::sleep_for(kSampleInterval);
    }
    const ChildProcess::Result result = updater.Wait();
    row.measuredSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    row.cpuSeconds = seconds(result.usage.ru_utime) + seconds(result.usage.ru_stime);
    row.exitCode = result.exitCode;
    if (row.exitCode != 0)
        std::fprintf(stderr, "vantrel-bench: the update failed (exit %d):\n%s", row.exitCode,
                     LastLines(logPath, 5).c_str());
    return row;
}

std::uint32_t FlashWordsFor(std::uint64_t imageBytes)
{
    const auto words = static_cast<std::uint32_t>(FirmwareUpdate::ImageWords(imageBytes));
    return std::max(platform::SimulatedInstrument::kDefaultFlashWords, words);
}

bench::BenchRow RunSimulated(const Options& options, const BenchCase& benchCase, std::uint64_t imageBytes,
                             const std::string& logPath)
{
    return TimeUpdate({options.binDirectory + "vantrel-update", "--simulated",
                       "--sim-rate", Number(benchCase.model.bytesPerSecond),
                       "--sim-latency", Number(benchCase.model.replyLatencyMs),
                       "--sim-reply-words", Number(options.replyWords),
                       "--sim-flash-words", Number(FlashWordsFor(imageBytes)),
                       "--product", options.product, "--out", "simulated", "--in", "simulated",
                       "--data", options.image, "--verify"},
                      {}, logPath);
}

// Polls `ready` until it holds, the server is gone or the time is up.
template <class Ready>
bool WaitFor(Ready ready, ChildProcess& server)
{
    const auto deadline = Clock::now() + kJackStartTimeout;
    while (Clock::now() < deadline && server.Running()) {
        if (ready())
            return true;
        std::this_thread::sleep_for(kJackStep);
    }
    return false;
}

// True once the server takes clients and, if `port` is given, lists that MIDI input port.
bool Serves(const std::string& serverName, const std::string& port = {})
{
    platform::MidiResult result;
    const auto probe = platform::JackClient::open("vantrel-bench-probe", serverName, result);
    if (!probe)
        return false;
    const std::vector<std::string> ports = probe->midiPorts(JackPortIsInput);
    return port.empty() || std::find(ports.begin(), ports.end(), port) != ports.end();
}

bench::BenchRow RunJack(const Options& options, std::uint64_t imageBytes, const std::string& logDirectory)
{
    const std::string server = "vantrel-bench-" + Number(static_cast<std::uint64_t>(getpid()));
    ChildProcess jackd;
    ChildProcess instrument;
    bench::BenchRow failed;
    failed.exitCode = -1;
    if (!jackd.Start({"jackd", "--no-realtime", "-n", server, "-S", "-d", "dummy", "-r", Number(kJackRate), "-p",
                      Number(kJackPeriod)},
                     {}, logDirectory + "/jackd.log") ||
        !WaitFor([&] { return Serves(server); }, jackd)) {
        std::fprintf(stderr, "vantrel-bench: jackd cannot start here; the JACK row is left out\n");
        return failed;
    }
    if (!instrument.Start({options.binDirectory + "vantrel-sim-instrument", "--server", server, "--name",
                           kInstrumentClient, "--reply-words", Number(options.replyWords), "--flash-words",
                           Number(FlashWordsFor(imageBytes))},
                          {}, logDirectory + "/instrument.log") ||
        !WaitFor([&] { return Serves(server, std::string(kInstrumentClient) + ":midi_in"); }, jackd)) {
        std::fprintf(stderr, "vantrel-bench: the instrument did not join the JACK server:\n%s",
                     LastLines(logDirectory + "/instrument.log", 5).c_str());
        return failed;
    }
    bench::BenchRow row = TimeUpdate({options.binDirectory + "vantrel-update", "--product", options.product,
                                      "--out", kInstrumentClient, "--in", kInstrumentClient, "--data",
                                      options.image, "--verify"},
                                     {"JACK_DEFAULT_SERVER=" + server, "JACK_NO_START_SERVER=1"},
                                     logDirectory + "/update-jack.log");
    instrument.Stop();  // clients before the server, or libjack leaves its segments behind
    jackd.Stop();
    return row;
}

bool Selected(const Options& options, const BenchCase& benchCase)
{
    return options.cases.empty() || options.cases.count(benchCase.key) != 0;
}

void PrintBounds(const Options& options, const bench::UpdateTraffic& traffic)
{
    for (const BenchCase& benchCase : kCases)
        if (Selected(options, benchCase))
            std::printf("%s %.3f\n", benchCase.key, bench::LowerBoundSeconds(traffic, benchCase.model));
}

std::string LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one.empty() ? "unknown" : one + " (1 min), " + five + " (5 min)";
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::error_code error;
    const std::uint64_t imageBytes = std::filesystem::file_size(options.image, error);
    std::list<std::uint32_t> blocks;
    StderrObserver observer;
    const ProductCatalogue products(ProductCatalogue::ConfigDirectory());
    if (error || !FirmwareUpdate::LoadFlashBlocks(products.BlockListPath(options.product), blocks, observer)) {
        std::fprintf(stderr, "vantrel-bench: need the image %s and the product \"%s\"\n", options.image.c_str(),
                     options.product.c_str());
        return 1;
    }
    const bench::UpdateTraffic traffic = bench::CountTraffic(imageBytes, blocks, options.replyWords, true);
    if (options.boundsOnly) {
        PrintBounds(options, traffic);
        return 0;
    }
    char logTemplate[] = "/tmp/vantrel-bench-XXXXXX";
    const std::string logDirectory = mkdtemp(logTemplate) ? logTemplate : "/tmp";

    const std::string caption =
        "Image " + options.image.substr(options.image.find_last_of('/') + 1) + " (" + Number(imageBytes) +
        " bytes), product " + options.product + " (" + Number(traffic.erases) + " erases), replies of " +
        Number(options.replyWords) + " words, verify on: " + Number(traffic.messagesSent) + " messages (" +
        Number(traffic.bytesSent) + " bytes) sent, " + Number(traffic.replies) + " replies (" +
        Number(traffic.bytesReceived) + " bytes), " + Number(traffic.fixedWaitMs) + " ms of fixed waits. " +
        "Load average at the start: " + LoadAverage() + " on " +
        Number(std::thread::hardware_concurrency()) + " cores.";
    std::printf("%s\n\n", caption.c_str());

    std::vector<bench::BenchRow> rows;
    for (const BenchCase& benchCase : kCases) {
        if (!Selected(options, benchCase))
            continue;
        std::fprintf(stderr, "vantrel-bench: %s ...\n", benchCase.link);
        bench::BenchRow row = benchCase.jack ? RunJack(options, imageBytes, logDirectory)
                                             : RunSimulated(options, benchCase, imageBytes,
                                                            logDirectory + "/update-" + benchCase.key + ".log");
        row.link = benchCase.link;
        row.boundSeconds = bench::LowerBoundSeconds(traffic, benchCase.model);
        rows.push_back(row);
    }
    std::printf("%s", bench::TextTable(rows).c_str());
    if (!options.markdownPath.empty()) {
        std::ofstream markdown(options.markdownPath);
        markdown << caption << "\n\n" << bench::MarkdownTable(rows);
        std::printf("\nMarkdown written to %s\n", options.markdownPath.c_str());
    }
    const bool allRan = std::all_of(rows.begin(), rows.end(), [](const bench::BenchRow& r) { return r.exitCode == 0; });
    if (allRan)
        std::filesystem::remove_all(logDirectory, error);
    else
        std::fprintf(stderr, "vantrel-bench: the logs of the runs are in %s\n", logDirectory.c_str());
    return allRan ? 0 : 1;
}
