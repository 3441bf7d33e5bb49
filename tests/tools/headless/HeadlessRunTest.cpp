// The built vantrel-update program run as a script would run it, against the
// simulated instrument: its exit codes and what it prints.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

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
    //! Runs the program with the simulated instrument and a complete choice, plus `more`.
    RunResult runSimulated(const std::vector<std::string>& more, const std::string& blocks = {})
    {
        // Chosen by name: on a machine with MIDI hardware, device 0 is not the simulator.
        std::vector<std::string> args{"--simulated", "--blocks", blocks.empty() ? noBlocksPath : blocks,
                                      "--out",       kSimulator, "--in",
                                      kSimulator,    "--data",   dataPath};
        args.insert(args.end(), more.begin(), more.end());
        return runProgram(VANTREL_UPDATE_EXE, args);
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

TEST_F(HeadlessRun, CommandLineMistakesExitTwo)
{
    EXPECT_EQ(runProgram(VANTREL_UPDATE_EXE, {"--no-such-option"}).exitCode, 2);
    EXPECT_EQ(runProgram(VANTREL_UPDATE_EXE, {"--help"}).exitCode, 0);
}

TEST_F(HeadlessRun, MissingChoicesExitThreeWithTheWindowsMessages)
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

}  // namespace
