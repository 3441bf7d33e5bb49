// The headless updater's parts that need no devices: its command line, the
// device choice, its JSON lines, and what its progress display prints.
#include <gtest/gtest.h>

#include <cstdio>

#include <nlohmann/json.hpp>

#include "DeviceChoice.h"
#include "HeadlessOptions.h"
#include "JsonProgress.h"
#include "ProgressText.h"
#include "TerminalProgress.h"
#include "UpdateTestSupport.h"

namespace {

class HeadlessOptionsParsing : public ::testing::Test {
protected:
    bool parse(std::vector<std::string> args)
    {
        options = {};
        outcome = ParseHeadlessOptions(args, options);
        return outcome.kind == CommandLine::Outcome::Kind::Run;
    }

    HeadlessOptions options;
    CommandLine::Outcome outcome;
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
    EXPECT_EQ(options.mode(), HeadlessOptions::Mode::Update);
}

TEST_F(HeadlessOptionsParsing, VerifyIsTheDefaultAndTheLastChoiceWins)
{
    ASSERT_TRUE(parse({}));
    EXPECT_TRUE(options.verify);
    ASSERT_TRUE(parse({"--no-verify", "--verify"}));
    EXPECT_TRUE(options.verify);
    ASSERT_TRUE(parse({"--data", "a.bin", "--data", "b.bin"}));
    EXPECT_EQ(options.dataPath, "b.bin");
}

TEST_F(HeadlessOptionsParsing, ServiceModes)
{
    ASSERT_TRUE(parse({"--read", "out.bin", "--from", "0x100", "--words", "4096", "--json"}));
    EXPECT_EQ(options.mode(), HeadlessOptions::Mode::Read);
    EXPECT_EQ(options.readFrom, 0x100u);
    EXPECT_EQ(options.readWords, 4096u);
    EXPECT_TRUE(options.json);
    ASSERT_TRUE(parse({"--verify-only", "--data", "fw.bin"}));
    EXPECT_EQ(options.mode(), HeadlessOptions::Mode::VerifyOnly);
    ASSERT_TRUE(parse({"--backup", "old.bin", "--data", "fw.bin"}));
    EXPECT_EQ(options.backupPath, "old.bin");
    EXPECT_EQ(options.mode(), HeadlessOptions::Mode::Update);
}

TEST_F(HeadlessOptionsParsing, MistakesAreRefusedWithAReason)
{
    const std::vector<std::vector<std::string>> bad{
        {"--frobnicate"}, {"--data"}, {"--list=yes"}, {"fw.bin"}, {"--product", "A", "--blocks", "a.cfg"},
        {"--sim-no-reply"}, {"--read", "out.bin"}, {"--words", "4"}, {"--read", "o.bin", "--words", "0"},
        {"--read", "o.bin", "--from", "0xFFFFFFFF", "--words", "2"}, {"--verify-only", "--backup", "b.bin"},
        {"--read", "o.bin", "--words", "1", "--backup", "b.bin"},
    };
    for (const auto& args : bad) {
        EXPECT_FALSE(parse(args)) << args[0];
        EXPECT_EQ(outcome.kind, CommandLine::Outcome::Kind::Error) << args[0];
        EXPECT_FALSE(outcome.text.empty()) << args[0];
    }
    ASSERT_TRUE(parse({"--read", "o.bin", "--from", "0xFFFFFFFF", "--words", "1"})) << "the last word can be read";
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

TEST(HeadlessJsonProgress, AnyTextMakesOneValidJsonLinePerEvent)
{
    std::FILE* stream = std::tmpfile();
    JsonProgress progress(stream, [] { return 0.0; });
    const std::string awkward = "quote \" backslash \\ line\nend\ttab \x01 caf\xc3\xa9 latin \xe9 cut \xe2\x82";
    progress.Message("Vantrel", awkward);
    progress.List("MIDI Out", {"0: a", awkward}, true);
    progress.Result({"verify-only", 5, 0x1234, ""});

    std::rewind(stream);
    std::vector<nlohmann::ordered_json> events;  // members in the order written
    for (char line[4096]; std::fgets(line, sizeof line, stream) != nullptr;)
        events.push_back(nlohmann::ordered_json::parse(line));  // throws on invalid UTF-8 too
    std::fclose(stream);
    ASSERT_EQ(events.size(), 3u);
    const std::string asUtf8 = "quote \" backslash \\ line\nend\ttab \x01 caf\xc3\xa9 latin \xc3\xa9 cut \xc3\xa2\xc2\x82";
    EXPECT_EQ(events[0]["text"], asUtf8);
    EXPECT_EQ(events[1]["items"], nlohmann::ordered_json::array({"0: a", asUtf8}));
    EXPECT_EQ(events[2].dump(), R"({"event":"result","mode":"verify-only","exitCode":5,"success":false,"firstDifference":4660})");
}

class HeadlessProgressText : public ::testing::Test {};

TEST_F(HeadlessProgressText, PercentIsClampedAsOnTheProgressBarOfTheWindow)
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
