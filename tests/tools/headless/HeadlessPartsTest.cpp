// The headless updater's parts that need no devices: its command line, the
// device and product choice, and what its progress display prints.
#include <gtest/gtest.h>

#include <cstdio>

#include "DeviceChoice.h"
#include "HeadlessOptions.h"
#include "ProductFiles.h"
#include "ProgressText.h"
#include "TerminalProgress.h"
#include "UpdateTestSupport.h"

namespace {

class HeadlessOptionsParsing : public ::testing::Test {
protected:
    bool parse(std::vector<std::string> args)
    {
        options = {};
        error.clear();
        return ParseHeadlessOptions(args, options, error);
    }

    HeadlessOptions options;
    std::string error;
};

TEST_F(HeadlessOptionsParsing, UpdateChoicesInBothSpellings)
{
    ASSERT_TRUE(parse({"--product", "Stage 88", "--out=2", "--in", "usb", "--data", "fw.bin", "--no-verify"}));
    EXPECT_EQ(options.product, "Stage 88");
    EXPECT_EQ(options.outDevice, "2");
    EXPECT_EQ(options.inDevice, "usb");
    EXPECT_EQ(options.dataPath, "fw.bin");
    EXPECT_FALSE(options.verify);
    EXPECT_FALSE(options.blocksFile);
}

TEST_F(HeadlessOptionsParsing, VerifyIsTheDefaultAndTheLastChoiceWins)
{
    ASSERT_TRUE(parse({}));
    EXPECT_TRUE(options.verify);
    ASSERT_TRUE(parse({"--no-verify", "--verify"}));
    EXPECT_TRUE(options.verify);
}

TEST_F(HeadlessOptionsParsing, MistakesAreRefusedWithAReason)
{
    EXPECT_FALSE(parse({"--frobnicate"}));
    EXPECT_NE(error.find("--frobnicate"), std::string::npos);
    EXPECT_FALSE(parse({"--data"}));
    EXPECT_NE(error.find("needs a value"), std::string::npos);
    EXPECT_FALSE(parse({"--list=yes"}));
    EXPECT_FALSE(parse({"fw.bin"}));
    EXPECT_FALSE(parse({"--product", "A", "--blocks", "a.cfg"}));
    EXPECT_FALSE(parse({"--sim-no-reply"}));
    EXPECT_NE(error.find("--simulated"), std::string::npos);
}

TEST_F(HeadlessOptionsParsing, NumbersAreDecimalOrHexAddressesAlwaysHex)
{
    ASSERT_TRUE(parse({"--simulated", "--sim-rate", "0x0C35", "--sim-latency=20", "--sim-stuck-sector", "2000",
                       "--sim-stuck-sector=0x8000", "--sim-flip", "1F:0100"}));
    const auto& sim = options.simulator;
    EXPECT_EQ(sim.linkBytesPerSecond, 3125u);
    EXPECT_EQ(sim.replyLatencyMs, 20u);
    EXPECT_EQ(sim.faults.stuckSectors, (std::vector<std::uint32_t>{0x2000, 0x8000}));
    ASSERT_EQ(sim.faults.bitFlips.size(), 1u);
    EXPECT_EQ(sim.faults.bitFlips[0].address, 0x1Fu);
    EXPECT_EQ(sim.faults.bitFlips[0].mask, 0x0100);
}

TEST_F(HeadlessOptionsParsing, SimulatorNumbersAreCheckedWhole)
{
    EXPECT_FALSE(parse({"--simulated", "--sim-reply-words", "50"}));
    EXPECT_FALSE(parse({"--simulated", "--sim-reply-words", "0"}));
    EXPECT_FALSE(parse({"--simulated", "--sim-latency", "12ms"}));
    EXPECT_FALSE(parse({"--simulated", "--sim-rate", "99999999999"}));
    EXPECT_FALSE(parse({"--simulated", "--sim-stuck-sector", "12G"}));
    EXPECT_FALSE(parse({"--simulated", "--sim-flip", "1F"}));
    EXPECT_FALSE(parse({"--simulated", "--sim-flip", "1F:10000"}));
    EXPECT_FALSE(parse({"--simulated", "--sim-flip", "1F:0"}));
}

class HeadlessDeviceChoice : public ::testing::Test {
protected:
    const std::vector<std::string> names{"Midi Through Port-0", "USB MIDI Interface 1", "USB MIDI Interface 10",
                                         "Simulated instrument (no hardware)"};
};

TEST_F(HeadlessDeviceChoice, NumberPicksByPosition)
{
    EXPECT_EQ(ChooseDevice(names, "3").index, 3u);
    EXPECT_EQ(ChooseDevice(names, "0").result, DeviceChoice::Result::Found);
    EXPECT_EQ(ChooseDevice(names, "4").result, DeviceChoice::Result::NoSuchNumber);
    EXPECT_EQ(ChooseDevice(names, "99999999999999999999").result, DeviceChoice::Result::NoSuchNumber);
}

TEST_F(HeadlessDeviceChoice, PartOfTheNameInAnyLetterCase)
{
    const DeviceChoice choice = ChooseDevice(names, "SIMULATED");
    EXPECT_EQ(choice.result, DeviceChoice::Result::Found);
    EXPECT_EQ(choice.index, 3u);
}

TEST_F(HeadlessDeviceChoice, WholeNameWinsOverLongerNamesContainingIt)
{
    const DeviceChoice choice = ChooseDevice(names, "usb midi interface 1");
    EXPECT_EQ(choice.result, DeviceChoice::Result::Found);
    EXPECT_EQ(choice.index, 1u);
}

TEST_F(HeadlessDeviceChoice, SeveralOrNoMatchesPickNothing)
{
    EXPECT_EQ(ChooseDevice(names, "usb").result, DeviceChoice::Result::Ambiguous);
    EXPECT_EQ(ChooseDevice(names, "bluetooth").result, DeviceChoice::Result::NoMatch);
    EXPECT_EQ(ChooseDevice(names, "").result, DeviceChoice::Result::NoMatch);
    EXPECT_EQ(ChooseDevice({}, "usb").result, DeviceChoice::Result::NoMatch);
}

class HeadlessProductFiles : public ::testing::Test {
protected:
    ScratchDirectory scratch;
};

TEST_F(HeadlessProductFiles, ListsCfgFilesInAnyCaseSortedWithoutCase)
{
    scratch.writeText("stage 88.cfg", "0\n");
    scratch.writeText("Home 61.CFG", "0\n");
    scratch.writeText("notes.txt", "");
    scratch.writeText(".cfg", "");
    std::filesystem::create_directories(scratch.path() / "folder.cfg");

    EXPECT_EQ(ProductFileNames(scratch.path().string()), (std::vector<std::string>{"Home 61.CFG", "stage 88.cfg"}));
    EXPECT_TRUE(ProductFileNames((scratch.path() / "absent").string()).empty());
}

TEST_F(HeadlessProductFiles, ProductNameFindsItsFile)
{
    const std::vector<std::string> files{"Home 61.CFG", "Stage 88.cfg", "stage 88.cfg"};
    EXPECT_EQ(FindProductFile(files, "Home 61"), "Home 61.CFG");
    EXPECT_EQ(FindProductFile(files, "home 61"), "Home 61.CFG");
    EXPECT_EQ(FindProductFile(files, "stage 88"), "stage 88.cfg");  // the exact name first
    EXPECT_EQ(FindProductFile(files, "STAGE 88"), std::nullopt);    // two candidates
    EXPECT_EQ(FindProductFile(files, "Piano"), std::nullopt);
}

class HeadlessProgressText : public ::testing::Test {};

TEST_F(HeadlessProgressText, PercentIsClampedLikeTheWindowsBar)
{
    EXPECT_EQ(ProgressPercent({"", 0, 4, 1, 0}), 25);
    EXPECT_EQ(ProgressPercent({"", 0, 1, 2, 0}), 100);  // the short last chunk passes the bound
    EXPECT_EQ(ProgressPercent({"", 0, 0, 1, 0}), 0);    // an image under one chunk
    EXPECT_EQ(ProgressPercent({"", 0, 4, -3, 0}), 0);
}

TEST_F(HeadlessProgressText, RateAndTimeLeftFollowTheChunksSoFar)
{
    const ProgressState state{"Updating...", 0, 10, 2, 4.0};  // 4096 bytes in 4 s
    EXPECT_DOUBLE_EQ(ProgressRate(state), 1024.0);
    EXPECT_DOUBLE_EQ(ProgressSecondsLeft(state), 16.0);
    EXPECT_LT(ProgressSecondsLeft({"", 0, 10, 0, 3.0}), 0);  // nothing done yet: unknown
    EXPECT_EQ(ProgressSecondsLeft({"", 0, 1, 2, 3.0}), 0);
}

TEST_F(HeadlessProgressText, DurationsAndRates)
{
    EXPECT_EQ(FormatDuration(-1), "--:--");
    EXPECT_EQ(FormatDuration(754), "12:34");
    EXPECT_EQ(FormatDuration(3725), "1:02:05");
    EXPECT_EQ(FormatRate(12.5 * 1024), "12.5 KiB/s");
}

TEST_F(HeadlessProgressText, BarAndPlainLines)
{
    const ProgressState state{"Verifing...", 0, 10, 5, 5.0};
    EXPECT_EQ(ProgressBarLine(state, 10), "Verifing... [#####-----]  50%  2.0 KiB/s  0:05 left");
    EXPECT_EQ(ProgressPlainLine(state), "Verifing... 50% (2.0 KiB/s, 0:05 left)");
}

class HeadlessTerminalProgress : public ::testing::Test {
protected:
    std::string printed()
    {
        std::fflush(stream);
        std::rewind(stream);
        std::string text;
        for (int c; (c = std::fgetc(stream)) != EOF;)
            text.push_back(static_cast<char>(c));
        return text;
    }
    //! One update phase as the write step reports it.
    void runPhase(TerminalProgress& progress, int chunks)
    {
        progress.SetRange(0, chunks);
        progress.SetPos(0);
        progress.SetCaption("Updating...");
        for (int step = 1; step <= chunks; ++step) {
            now += 1.0;
            progress.SetPos(step);
        }
    }

    std::FILE* stream = std::tmpfile();
    double now = 100.0;
    TerminalProgress::Clock clock = [this] { return now; };

    ~HeadlessTerminalProgress() override { std::fclose(stream); }
};

TEST_F(HeadlessTerminalProgress, PlainLinesAtEveryTenthOfTheWay)
{
    TerminalProgress progress(stream, false, clock);
    runPhase(progress, 20);

    const std::string text = printed();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);  // the start and ten steps
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_NE(text.find("Updating... 0% (0 B/s, --:-- left)\n"), std::string::npos);
    EXPECT_NE(text.find("Updating... 100% (2.0 KiB/s, 0:00 left)\n"), std::string::npos);
}

TEST_F(HeadlessTerminalProgress, BarIsRedrawnInPlaceAndEndedBeforeAMessage)
{
    TerminalProgress progress(stream, true, clock);
    runPhase(progress, 2);
    progress.BreakLine();
    progress.BreakLine();  // nothing pending: no empty line

    const std::string text = printed();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NE(text.find("\rUpdating... [###############---------------]  50%"), std::string::npos);
    EXPECT_NE(text.find("\rUpdating... [##############################] 100%"), std::string::npos);
}

TEST_F(HeadlessTerminalProgress, RedrawsAreThrottled)
{
    TerminalProgress progress(stream, true, clock);
    progress.SetRange(0, 1000);
    progress.SetCaption("Updating...");
    for (int step = 1; step < 1000; ++step) {
        now += 0.001;  // a thousand chunks a second
        progress.SetPos(step);
    }
    const std::string text = printed();
    EXPECT_LE(std::count(text.begin(), text.end(), '\r'), 12);
}

}  // namespace
