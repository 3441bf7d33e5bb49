// The built vantrel-update program run as a script would run it, against the
// simulated instrument: its exit codes, what it prints, its JSON lines, what
// signals and a data file changed under it do, and its sleep lock.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "SleepInhibitor.h"
#include "UpdateTestSupport.h"

namespace {

constexpr const char* kSimulator = "simulated instrument";

struct RunResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

std::string quoted(const std::string& arg)
{
    std::string text = "'";
    for (char c : arg)
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args)
{
    std::string command = quoted(program);
    for (const auto& arg : args)
        command += " " + quoted(arg);
    command += " </dev/null 2>&1";
    RunResult result;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.output.append(buffer, got);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

using Json = nlohmann::json;

//! The line a noted stop request puts on the standard error, beside the JSON lines.
const std::string kStopping = "vantrel-update: stopping once the message on its way has gone out";

//! Each line of `output` read as one JSON object (a line that is none fails the test).
std::vector<Json> jsonLines(const std::string& output)
{
    std::vector<Json> lines;
    for (std::size_t from = 0, end; (end = output.find('\n', from)) != std::string::npos; from = end + 1) {
        if (output.compare(from, kStopping.size(), kStopping) == 0)
            continue;
        try {
            lines.push_back(Json::parse(output.substr(from, end - from)));
        } catch (const Json::exception& e) {
            ADD_FAILURE() << "not a JSON line: " << output.substr(from, end - from) << " (" << e.what() << ")";
        }
    }
    return lines;
}

//! The first event of `kind`, or null.
Json firstEvent(const std::vector<Json>& events, const std::string& kind)
{
    for (const Json& event : events)
        if (event.value("event", "") == kind)
            return event;
    return nullptr;
}

//! Runs `program` with `args`, reading its output line by line; `onLine`
//! sees each line with the child's process id as it arrives.
RunResult runWatched(const std::string& program, const std::vector<std::string>& args,
                     const std::function<void(const std::string& line, pid_t child)>& onLine)
{
    RunResult result;
    int fds[2];
    if (::pipe(fds) != 0)
        return result;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        ::close(fds[0]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    std::FILE* stream = ::fdopen(fds[0], "r");
    char* line = nullptr;
    std::size_t capacity = 0;
    for (ssize_t length; (length = ::getline(&line, &capacity, stream)) > 0;) {
        result.output.append(line, static_cast<std::size_t>(length));
        onLine(std::string(line, static_cast<std::size_t>(length)), child);
    }
    std::free(line);
    std::fclose(stream);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

//! True for a progress line of the write phase past its first chunk.
bool writingPastFirstChunk(const std::string& line)
{
    const Json event = Json::parse(line, nullptr, false);
    return !event.is_discarded() && event.value("event", "") == "progress" &&
           event.value("phase", "") == "Updating..." && event.value("position", 0) >= 1;
}

class HeadlessRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = PatternImage(3000);
        dataPath = scratch.writeFile("image.bin", image);
        blockPath = scratch.writeText("blocks.cfg", "0\n");
        noBlocksPath = scratch.writeText("none.cfg", "");
        flashPath = (scratch.path() / "flash.bin").string();
    }
    //! Runs the program with the simulated instrument and a complete choice, plus `more`; `onLine`, if
    //! given, sees each line as it comes.
    RunResult runSimulated(const std::vector<std::string>& more, const std::string& blocks = {},
                           const std::function<void(const std::string& line, pid_t child)>& onLine = {})
    {
        // Chosen by name: on a machine with MIDI hardware, device 0 is not the simulator.
        std::vector<std::string> args{"--simulated", "--blocks", blocks.empty() ? noBlocksPath : blocks,
                                      "--out",       kSimulator, "--in",
                                      kSimulator,    "--data",   dataPath};
        args.insert(args.end(), more.begin(), more.end());
        return onLine ? runWatched(VANTREL_UPDATE_EXE, args, onLine) : runProgram(VANTREL_UPDATE_EXE, args);
    }
    static bool says(const RunResult& run, const std::string& text)
    {
        return run.output.find("vantrel-update: " + text) != std::string::npos;
    }

    ScratchDirectory scratch;
    std::vector<std::uint8_t> image;
    std::string dataPath, blockPath, noBlocksPath, flashPath;
};

TEST_F(HeadlessRun, SuccessfulUpdateWritesTheImageAndExitsZero)
{
    const RunResult run = runSimulated({"--sim-save", flashPath}, blockPath);

    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(says(run, "Update successful !")) << run.output;
    EXPECT_NE(run.output.find("Verifing... 100%"), std::string::npos) << run.output;
    const auto flash = readBytes(flashPath);
    ASSERT_GE(flash.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
}

TEST_F(HeadlessRun, NoVerifyReadsNothingBack)
{
    // An instrument that never answers would fail any read-back.
    const RunResult run = runSimulated({"--no-verify", "--sim-no-reply"});

    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(says(run, "Update successful !"));
    EXPECT_EQ(run.output.find("Verifing..."), std::string::npos);
}

TEST_F(HeadlessRun, ListNumbersTheDevices)
{
    const RunResult run = runProgram(VANTREL_UPDATE_EXE, {"--list", "--simulated"});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("MIDI out devices:\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(": Simulated instrument (no hardware)\n"), std::string::npos) << run.output;
}

TEST_F(HeadlessRun, ProbeReadsOneWordAndWritesNothing)
{
    const RunResult answers =
        runProgram(VANTREL_UPDATE_EXE, {"--simulated", "--probe", "--out", kSimulator, "--in", kSimulator});
    EXPECT_EQ(answers.exitCode, 0) << answers.output;
    EXPECT_NE(answers.output.find("The instrument answers (word 0 reads 0xFFFF)"), std::string::npos)
        << answers.output;

    const RunResult mute = runProgram(VANTREL_UPDATE_EXE, {"--simulated", "--probe", "--out", kSimulator, "--in",
                                                           kSimulator, "--sim-no-reply"});
    EXPECT_EQ(mute.exitCode, 5) << mute.output;
    EXPECT_NE(mute.output.find("Wait Time Out!\nThe instrument does not answer"), std::string::npos) << mute.output;
}

TEST_F(HeadlessRun, CommandLineMistakesExitTwo)
{
    EXPECT_EQ(runProgram(VANTREL_UPDATE_EXE, {"--no-such-option"}).exitCode, 2);
    EXPECT_EQ(runProgram(VANTREL_UPDATE_EXE, {"--help"}).exitCode, 0);
    const RunResult version = runProgram(VANTREL_UPDATE_EXE, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "vantrel-update " VANTREL_VERSION "\n");
}

TEST_F(HeadlessRun, MissingChoicesExitThreeWithTheMessagesOfTheWindow)
{
    const RunResult noData = runProgram(VANTREL_UPDATE_EXE, {"--simulated", "--blocks", blockPath, "--out",
                                                             kSimulator, "--in", kSimulator});
    EXPECT_EQ(noData.exitCode, 3);
    EXPECT_TRUE(says(noData, "Please select the data file path")) << noData.output;

    const RunResult noOut = runProgram(VANTREL_UPDATE_EXE, {"--simulated", "--blocks", blockPath, "--in",
                                                            kSimulator, "--data", dataPath});
    EXPECT_EQ(noOut.exitCode, 3);
    EXPECT_TRUE(says(noOut, "Please select a MIDI out device")) << noOut.output;
    EXPECT_NE(noOut.output.find(": Simulated instrument (no hardware)\n"), std::string::npos);

    const RunResult badName = runSimulated({"--in", "bluetooth"});
    EXPECT_EQ(badName.exitCode, 3);
    EXPECT_TRUE(says(badName, "No MIDI in device matches \"bluetooth\"")) << badName.output;
}

TEST_F(HeadlessRun, DeviceGoneMidRunEndsItWithoutSuccess)
{
    // Opening (4 messages), the erase (18), its poll (3) and the first chunk (3) go through.
    const RunResult run = runSimulated({"--sim-vanish-after", "28"}, blockPath);
    EXPECT_EQ(run.exitCode, 5) << run.output;
    EXPECT_FALSE(says(run, "Update successful !"));
}

TEST_F(HeadlessRun, BadBlockListAndMissingDataFileExitThree)
{
    const RunResult badLine = runSimulated({}, scratch.writeText("bad.cfg", "0\nFFFFFFFF\n"));
    EXPECT_EQ(badLine.exitCode, 3);
    EXPECT_TRUE(says(badLine, "Fail to get flash block info")) << badLine.output;

    const std::string absent = (scratch.path() / "absent.bin").string();
    const RunResult noFile = runSimulated({"--data", absent});
    EXPECT_EQ(noFile.exitCode, 3);
    EXPECT_TRUE(says(noFile, "No such file in the directory\n" + absent)) << noFile.output;
}

TEST_F(HeadlessRun, PortsThatCannotStartExitFour)
{
    const RunResult run = runSimulated({"--sim-send-error-after", "0"});
    EXPECT_EQ(run.exitCode, 4) << run.output;
    EXPECT_FALSE(says(run, "Update successful !"));
}

TEST_F(HeadlessRun, TransferFailuresExitFive)
{
    const RunResult noReply = runSimulated({"--sim-no-reply"});
    EXPECT_EQ(noReply.exitCode, 5);
    EXPECT_TRUE(says(noReply, "Wait Time Out!")) << noReply.output;

    const RunResult badLength = runSimulated({"--sim-reply-length", "7"});
    EXPECT_EQ(badLength.exitCode, 5);
    EXPECT_TRUE(says(badLength, "Read Data Unexpected!")) << badLength.output;

    const RunResult flipped = runSimulated({"--sim-flip", "100:0002"});
    EXPECT_EQ(flipped.exitCode, 5);
    EXPECT_TRUE(says(flipped, "Fail to verify, please update again")) << flipped.output;
    EXPECT_FALSE(says(flipped, "Update successful !"));
}

TEST_F(HeadlessRun, BlockThatNeverErasesExitsFive)
{
    // A flash of programmed zeros: a block that never erases never reads 0xFFFF.
    const std::string zeros = scratch.writeFile("zeros.bin", std::vector<std::uint8_t>(4096, 0x00));
    const RunResult run = runSimulated({"--sim-stuck-sector", "0", "--sim-load", zeros}, blockPath);
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_TRUE(says(run, "Fail to erase flash, please try again !")) << run.output;
}

TEST_F(HeadlessRun, LoadedFlashIsErasedBeforeItIsWritten)
{
    const std::string zeros = scratch.writeFile("zeros.bin", std::vector<std::uint8_t>(4096, 0x00));
    const RunResult run = runSimulated({"--sim-load", zeros, "--sim-save", flashPath}, blockPath);

    EXPECT_EQ(run.exitCode, 0) << run.output;
    const auto flash = readBytes(flashPath);
    ASSERT_GE(flash.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
}

TEST_F(HeadlessRun, SimulatedFlashFilesThatFailAreNamed)
{
    const std::string absent = (scratch.path() / "absent" / "flash.bin").string();
    const RunResult load = runSimulated({"--sim-load", absent});
    EXPECT_EQ(load.exitCode, 3) << load.output;
    EXPECT_TRUE(says(load, "Fail to load the simulated flash\n" + absent)) << load.output;

    // The update itself succeeds; only keeping its result fails.
    const RunResult save = runSimulated({"--no-verify", "--sim-save", absent});
    EXPECT_EQ(save.exitCode, 1) << save.output;
    EXPECT_TRUE(says(save, "Fail to save the simulated flash\n" + absent)) << save.output;
}

TEST_F(HeadlessRun, OddSizedSimulatedFlashLoadsWithAZeroHighByte)
{
    // Word 0 comes from the loaded file (its high byte completed with 0x00); the
    // empty block list erases nothing, and programming only clears bits.
    const std::string odd = scratch.writeFile("odd.bin", {0xFF});
    const std::string ones = scratch.writeFile("ones.bin", {0xFF, 0xFF});
    const RunResult run = runSimulated({"--no-verify", "--data", ones, "--sim-load", odd, "--sim-save", flashPath});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const auto flash = readBytes(flashPath);
    ASSERT_GE(flash.size(), 4u);
    EXPECT_EQ(flash[0], 0xFF);
    EXPECT_EQ(flash[1], 0x00);
    EXPECT_EQ(flash[2], 0xFF);  // the rest of the flash starts erased
}

// Blocks as the simulated instrument's default sectors lie.
constexpr const char* kSectorBlocks = "0\n2000\n3000\n4000\n8000\n";

TEST_F(HeadlessRun, BackupRoundTripRestoresTheFlashWordForWord)
{
    // Small sectors keep the runs short: the old firmware reaches into the
    // third, the new one ends inside the second.
    const std::string blocks = scratch.writeText("sectors.cfg", "0\n400\n800\nC00\n");
    const std::vector<std::string> sectors{"--sim-sectors", "0,0x400,0x800,0xC00"};
    auto old = PatternImage(0xA00 * 2);
    std::reverse(old.begin(), old.end());
    const std::string oldPath = scratch.writeFile("old-firmware.bin", old);
    const std::string newPath = scratch.writeFile("new.bin", PatternImage(0x500 * 2));
    const std::string backup = (scratch.path() / "old.bin").string();
    const std::string updated = (scratch.path() / "updated.bin").string();

    auto args = sectors;
    args.insert(args.end(), {"--data", newPath, "--sim-load", oldPath, "--backup", backup, "--sim-save", updated});
    const RunResult first = runSimulated(args, blocks);
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_TRUE(says(first, "Backup of words 0x00000000 to 0x000007FF saved in " + backup)) << first.output;
    EXPECT_EQ(readBytes(backup).size(), 0x800u * 2);

    args = sectors;
    args.insert(args.end(), {"--data", backup, "--sim-load", updated, "--sim-save", flashPath});
    const RunResult second = runSimulated(args, blocks);
    ASSERT_EQ(second.exitCode, 0) << second.output;
    auto before = old;
    before.resize(readBytes(flashPath).size(), 0xFF);  // the rest of the flash was erased
    EXPECT_TRUE(readBytes(flashPath) == before);
}

TEST_F(HeadlessRun, BackupThatFailsLeavesTheFlashUntouched)
{
    const std::string blocks = scratch.writeText("sectors.cfg", kSectorBlocks);
    const std::string unwritable = (scratch.path() / "absent" / "old.bin").string();
    const std::string readable = (scratch.path() / "old.bin").string();
    const std::vector<std::pair<std::vector<std::string>, int>> cases{
        {{"--backup", unwritable}, 3},
        {{"--backup", readable, "--sim-no-reply"}, 5},
    };
    for (const auto& [more, exitCode] : cases) {
        std::vector<std::string> args{"--json"};
        args.insert(args.end(), more.begin(), more.end());
        const RunResult run = runSimulated(args, blocks);
        EXPECT_EQ(run.exitCode, exitCode) << run.output;
        const Json instrument = firstEvent(jsonLines(run.output), "instrument");
        EXPECT_EQ(instrument.value("sectorsErased", -1), 0) << run.output;
        EXPECT_EQ(instrument.value("wordsWritten", -1), 0) << run.output;
        EXPECT_FALSE(std::filesystem::exists(readable));
    }
}

TEST_F(HeadlessRun, VerifyOnlyComparesWithoutChangingAndNamesTheFirstDifference)
{
    auto flash = image;
    const std::string same = scratch.writeFile("same.bin", flash);
    flash[0x123 * 2] ^= 0x01;
    flash[0x400 * 2] ^= 0x01;
    const std::string differing = scratch.writeFile("differing.bin", flash);

    for (const auto& [load, exitCode] : {std::pair{same, 0}, std::pair{differing, 5}}) {
        const RunResult run = runSimulated({"--verify-only", "--json", "--sim-load", load}, blockPath);
        EXPECT_EQ(run.exitCode, exitCode) << run.output;
        const auto events = jsonLines(run.output);
        EXPECT_EQ(firstEvent(events, "instrument").value("wordsWritten", -1), 0);
        EXPECT_EQ(firstEvent(events, "instrument").value("sectorsErased", -1), 0);
        const Json result = events.back();
        EXPECT_EQ(result["event"], "result");
        EXPECT_EQ(result["mode"], "verify-only");
        EXPECT_EQ(result.value("firstDifference", -1), exitCode == 0 ? -1 : 0x123);
    }
}

TEST_F(HeadlessRun, ReadOutSavesTheWordsAskedFor)
{
    const std::string load = scratch.writeFile("flash-in.bin", image);
    const std::string out = (scratch.path() / "read.bin").string();

    const RunResult run = runSimulated({"--read", out, "--from", "0x100", "--words", "1000", "--sim-load", load});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(readBytes(out), std::vector<std::uint8_t>(image.begin() + 0x200, image.begin() + 0x200 + 2000));

    const RunResult mute = runSimulated({"--read", out + "2", "--words", "10", "--sim-no-reply"});
    EXPECT_EQ(mute.exitCode, 5);
    EXPECT_TRUE(says(mute, "Wait Time Out!")) << mute.output;
    EXPECT_FALSE(std::filesystem::exists(out + "2")) << "no file from a failed read";
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path()))
        EXPECT_EQ(entry.path().string().find(".part-"), std::string::npos) << "left behind: " << entry.path();
}

TEST_F(HeadlessRun, JsonLinesCarryProgressMessagesAndTheResult)
{
    const RunResult run = runSimulated({"--json"}, blockPath);

    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto events = jsonLines(run.output);
    ASSERT_GE(events.size(), 5u);
    // No system bus here (ctest names none): the run goes on, its first line says why it holds no sleep lock.
    EXPECT_EQ(events[0]["event"], "inhibitor");
    EXPECT_EQ(events[0]["taken"], false);
    EXPECT_EQ(events[0]["error"], "no system D-Bus: No such file or directory");
    EXPECT_EQ(events[1]["event"], "progress");
    EXPECT_EQ(events[1]["phase"], "Updating...");
    EXPECT_EQ(firstEvent(events, "message")["text"], "Update successful !");
    EXPECT_EQ(events.back()["event"], "result");
    EXPECT_EQ(events.back()["success"], true);
    EXPECT_EQ(events.back()["exitCode"], 0);
}

TEST_F(HeadlessRun, SignalDuringTheWriteEndsTheExchangeAndSaysWhatToDo)
{
    dataPath = scratch.writeFile("long.bin", PatternImage(16 * 2048));
    for (const auto& [signal, exitCode] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        bool sent = false;
        const RunResult run = runSimulated(
            {"--json", "--sim-rate", "20000"}, blockPath, [&, signal = signal](const std::string& line, pid_t child) {
                if (sent || !writingPastFirstChunk(line))
                    return;
                sent = true;
                ::kill(child, signal);  // once: a second request ends the program at once
            });

        EXPECT_EQ(run.exitCode, exitCode) << run.output;
        EXPECT_NE(run.output.find(kStopping), std::string::npos) << run.output;
        const auto events = jsonLines(run.output);
        EXPECT_EQ(firstEvent(events, "instrument").value("endCommands", -1), 1) << run.output;
        EXPECT_NE(run.output.find("the instrument now holds incomplete firmware. Run the update again"),
                  std::string::npos)
            << run.output;
        EXPECT_LT(firstEvent(events, "instrument").value("wordsWritten", 0), 16 * 1024) << "stopped early";
    }
}

TEST_F(HeadlessRun, SecondSignalWhileTheEndCommandIsOnTheWireEndsAtOnce)
{
    // The end command never leaves the wire: once the first request is
    // noted, the run cannot end before the second comes.
    dataPath = scratch.writeFile("long.bin", PatternImage(16 * 2048));
    int sent = 0;
    const RunResult run = runSimulated({"--json", "--sim-rate", "20000", "--sim-stall-at-end"}, blockPath,
                                       [&](const std::string& line, pid_t child) {
                                           if (sent == 0 ? writingPastFirstChunk(line) : line.find(kStopping) == 0)
                                               sent += ::kill(child, SIGINT) == 0 ? 1 : 0;
                                       });

    EXPECT_EQ(sent, 2) << run.output;
    EXPECT_EQ(run.exitCode, 130) << run.output;
    EXPECT_NE(run.output.find("the end command may not have gone out"), std::string::npos) << run.output;
}

TEST_F(HeadlessRun, DataFileChangedDuringTheRunEndsWithTheReadError)
{
    // 0x5A bytes throughout: a chunk sent with a zero-filled hole would show.
    const std::vector<std::uint8_t> pattern(8 * 2048, 0x5A);
    const std::vector<std::function<void(const std::string&)>> changes{
        [](const std::string& path) { std::filesystem::resize_file(path, 3000); },
        [this](const std::string& path) {
            std::filesystem::rename(scratch.writeFile("other.bin", std::vector<std::uint8_t>(100, 0x11)), path);
        },
    };
    for (const auto& change : changes) {
        dataPath = scratch.writeFile("changing.bin", pattern);
        bool changed = false;
        const std::vector<std::string> more{"--json", "--sim-rate", "20000", "--sim-save", flashPath};
        const RunResult run = runSimulated(more, {}, [&](const std::string& line, pid_t) {
            if (!changed && writingPastFirstChunk(line)) {
                changed = true;
                change(dataPath);
            }
        });

        EXPECT_EQ(run.exitCode, 3) << run.output;
        EXPECT_EQ(firstEvent(jsonLines(run.output), "message")["text"], "Fail to read the data file\n" + dataPath);
        const auto flash = readBytes(flashPath);
        ASSERT_GE(flash.size(), pattern.size());
        for (std::size_t i = 0; i < pattern.size(); ++i)
            ASSERT_TRUE(flash[i] == 0x5A || flash[i] == 0xFF) << "byte " << i << " of a partial chunk";
    }
}

class HeadlessProducts : public HeadlessRun {
protected:
    void SetUp() override
    {
        HeadlessRun::SetUp();
        // The program finds config/ beside itself, so it runs from a copy.
        std::filesystem::create_directories(scratch.path() / "bin" / "config");
        program = (scratch.path() / "bin" / "vantrel-update").string();
        std::filesystem::copy_file(VANTREL_UPDATE_EXE, program);
    }
    RunResult runProduct(const std::vector<std::string>& productArgs)
    {
        std::vector<std::string> args{"--simulated", "--out", kSimulator, "--in", kSimulator, "--data", dataPath,
                                      "--sim-save", flashPath};
        args.insert(args.end(), productArgs.begin(), productArgs.end());
        return runProgram(program, args);
    }

    std::string program;
};

TEST_F(HeadlessProducts, ProductNamesItsBlockListInAnyLetterCase)
{
    scratch.writeText("bin/config/Bench Unit.CFG", "0\n");

    const RunResult run = runProduct({"--product", "bench unit"});

    EXPECT_EQ(run.exitCode, 0) << run.output;
    const auto flash = readBytes(flashPath);
    ASSERT_GE(flash.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
}

TEST_F(HeadlessProducts, ProductChecksComeFirst)
{
    const RunResult empty = runProduct({"--product", "Bench Unit"});
    EXPECT_EQ(empty.exitCode, 3);
    EXPECT_TRUE(says(empty, "Device config list is empty, please setup the softeware again")) << empty.output;

    scratch.writeText("bin/config/Bench Unit.cfg", "0\n");
    const RunResult unchosen = runProduct({});
    EXPECT_EQ(unchosen.exitCode, 3);
    EXPECT_TRUE(says(unchosen, "Please set the device type info")) << unchosen.output;
    EXPECT_NE(unchosen.output.find("  Bench Unit\n"), std::string::npos);

    const RunResult unknown = runProduct({"--product", "Piano"});
    EXPECT_EQ(unknown.exitCode, 3);
    const std::string expectedPath = (scratch.path() / "bin" / "config" / "Piano.cfg").string();
    EXPECT_TRUE(says(unknown, "No such file in the directory\n" + expectedPath)) << unknown.output;
}

// logind's locks as its mock lists them, "what|who|why|mode|" each. With `settle`, asked again 10 ms apart
// until none is left (logind drops a lock once it sees its descriptor closed), for at most 5 s.
std::string logindLocks(bool settle = false)
{
    for (int poll = 0;; ++poll, ::usleep(10'000)) {
        const RunResult list = runProgram("dbus-send", {"--system", "--print-reply", "--dest=org.freedesktop.login1",
                                                        "/org/freedesktop/login1",
                                                        "org.freedesktop.login1.Manager.ListInhibitors"});
        std::string locks = list.exitCode == 0 ? "" : "no answer: " + list.output;
        const std::regex text("string \"([^\"]*)\"");  // each string of the reply, in order
        for (std::sregex_iterator it(list.output.begin(), list.output.end(), text), end; it != end; ++it)
            locks += (*it)[1].str() + "|";
        if (!settle || locks.empty() || poll == 500)
            return locks;
    }
}

// Run by ctest as test_sleep_inhibitor, where with_mock_logind.sh provides logind.
TEST_F(HeadlessRun, SleepLockHeldFromStartToEndOfEveryRun)
{
    const std::string what =
        "shutdown:sleep:idle:handle-power-key:handle-suspend-key:handle-hibernate-key:handle-lid-switch|";
    if (std::getenv("VANTREL_MOCK_LOGIND") == nullptr)
        GTEST_SKIP() << "needs logind's mock: ctest -R test_sleep_inhibitor";
    auto awake = std::make_unique<platform::SleepInhibitor>("tester", "testing");
    EXPECT_EQ(logindLocks(), what + "tester|testing|block|");
    awake.reset();  // the window lives on after its run
    EXPECT_EQ(logindLocks(true), "");

    dataPath = scratch.writeFile("long.bin", PatternImage(8 * 2048));
    const std::string writing = "writing firmware into the instrument";
    const struct { std::vector<std::string> more; int signal, exitCode; std::string why; } cases[] = {
        {{}, 0, 0, writing},
        {{"--sim-flip", "0x1F00:0001"}, 0, 5, writing},  // the read-back differs near its end
        {{}, SIGINT, 130, writing},
        {{"--read", flashPath, "--words", "0x2000"}, 0, 0, "reading the flash of the instrument"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> more{"--json", "--sim-rate", "20000"};
        more.insert(more.end(), c.more.begin(), c.more.end());
        std::string held = "not looked at";
        const RunResult run = runSimulated(more, blockPath, [&](const std::string& line, pid_t child) {
            if (held != "not looked at" || Json::parse(line).value("position", 0) < 1)
                return;
            ::kill(child, SIGSTOP);
            ::waitpid(child, nullptr, WUNTRACED);  // looked at in the middle of its run
            held = logindLocks();
            if (c.signal != 0)
                ::kill(child, c.signal);
            ::kill(child, SIGCONT);
        });
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_EQ(held, what + "vantrel-update|Vantrel is " + c.why + "|block|");
        EXPECT_EQ(logindLocks(true), "");
    }
}

}  // namespace
