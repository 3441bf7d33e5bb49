#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "FlashImageFile.h"
#include "InstrumentCore.h"
#include "JackInstrumentClient.h"
#include "JackMidiBackend.h"
#include "MidiMessageCollector.h"
#include "PrivateJackServer.h"
#include "ScratchDirectory.h"
#include "SimInstrumentOptions.h"

using namespace platform;
using Bytes = std::vector<std::uint8_t>;
using Instrument = SimulatedInstrument;

namespace {

bool parse(std::vector<std::string> args, SimInstrumentOptions& options, std::string& error)
{
    const CommandLine::Outcome outcome = ParseSimInstrumentOptions(args, options);
    error = outcome.text;
    return outcome.kind == CommandLine::Outcome::Kind::Run;
}

Bytes command(std::uint8_t code, std::vector<std::uint16_t> values = {})
{
    Bytes message = {0xF0, 0x7E, 0x08, code};
    for (std::uint16_t v : values)
        for (int shift = 12; shift >= 0; shift -= 4)
            message.push_back(static_cast<std::uint8_t>((v >> shift) & 0x0F));
    message.push_back(0xF7);
    return message;
}

}  // namespace

class SimInstrumentOptionsTest : public ::testing::Test {
protected:
    SimInstrumentOptions options;
    std::string error;
};

TEST_F(SimInstrumentOptionsTest, DefaultsDescribeAHealthyDefaultInstrument)
{
    ASSERT_TRUE(parse({}, options, error)) << error;
    EXPECT_EQ(options.clientName, "vantrel-sim-instrument");
    EXPECT_TRUE(options.serverName.empty());
    EXPECT_EQ(options.config.flashWords, Instrument::kDefaultFlashWords);
    EXPECT_EQ(options.config.replyWords, 16u);
    EXPECT_FALSE(options.config.faults.noReply);
}

TEST_F(SimInstrumentOptionsTest, ReadsEverySetting)
{
    ASSERT_TRUE(parse({"--server", "priv", "--name=inst", "--flash-words", "0x8000", "--sectors", "0,0x2000,0x4000",
                       "--reply-words", "49", "--latency", "20", "--flash-out", "out.bin", "--flash-in", "in.bin",
                       "--rawmidi", "hw:0,0", "--received-out", "link.bin"},
                      options, error))
        << error;
    EXPECT_EQ(options.serverName, "priv");
    EXPECT_EQ(options.clientName, "inst");
    EXPECT_EQ(options.config.flashWords, 0x8000u);
    EXPECT_EQ(options.config.sectorStarts, (std::vector<std::uint32_t>{0, 0x2000, 0x4000}));
    EXPECT_EQ(options.config.replyWords, 49u);
    EXPECT_EQ(options.config.replyLatencyMs, 20u);
    EXPECT_EQ(options.flashOutPath, "out.bin");
    EXPECT_EQ(options.flashInPath, "in.bin");
    EXPECT_EQ(options.rawMidiDevice, "hw:0,0");
    EXPECT_EQ(options.receivedOutPath, "link.bin");
}

TEST_F(SimInstrumentOptionsTest, ReadsEveryFault)
{
    ASSERT_TRUE(parse({"--no-reply", "--empty-replies", "--reply-length", "7", "--oversized-reply", "60",
                       "--stuck-sector", "0x2000", "--stuck-sector", "16384", "--flip", "0x400:0x0001", "--busy-reads",
                       "3", "--send-error-after", "10", "--send-error-count", "2", "--vanish-after", "99"},
                      options, error))
        << error;
    const auto& faults = options.config.faults;
    EXPECT_TRUE(faults.noReply);
    EXPECT_TRUE(faults.emptyReplies);
    EXPECT_EQ(faults.replyLength, 7u);
    EXPECT_EQ(faults.oversizedReplyWords, 60u);
    EXPECT_EQ(faults.stuckSectors, (std::vector<std::uint32_t>{0x2000, 0x4000}));
    ASSERT_EQ(faults.bitFlips.size(), 1u);
    EXPECT_EQ(faults.bitFlips[0].address, 0x400u);
    EXPECT_EQ(faults.bitFlips[0].mask, 0x0001u);
    EXPECT_EQ(faults.busyReadsAfterErase, 3u);
    EXPECT_EQ(faults.sendErrorAfter, 10u);
    EXPECT_EQ(faults.sendErrorCount, 2u);
    EXPECT_EQ(faults.vanishAfter, 99u);
}

TEST_F(SimInstrumentOptionsTest, SmallerFlashGetsAMatchingDefaultSectorMap)
{
    ASSERT_TRUE(parse({"--flash-words", "0x10000"}, options, error)) << error;
    EXPECT_EQ(options.config.sectorStarts, Instrument::DefaultSectorStarts(0x10000));
}

TEST(InstrumentCoreTest, KeepsEveryByteReceivedAsItCame)
{
    InstrumentCore core(Instrument::Config{});
    const Bytes start = command(0x01);
    core.feed(start.data(), start.size());  // before it was asked to keep them
    core.keepReceived();
    Bytes stream = command(0x05, {0});
    stream.insert(stream.end(), {0xF0, 0x7E, 0x08});  // a message cut short, as a lost piece leaves it
    const Bytes end = command(0x02);
    stream.insert(stream.end(), end.begin(), end.end());
    core.feed(stream.data(), 4);
    core.feed(stream.data() + 4, stream.size() - 4);
    core.receive(end.data(), end.size());  // whole, as the JACK client hands it over
    Bytes expected = stream;
    expected.insert(expected.end(), end.begin(), end.end());
    EXPECT_EQ(core.received(), expected);
}

class FlashImageFileTest : public ::testing::Test {};

TEST_F(FlashImageFileTest, SavesLowByteFirstAndLoadsBack)
{
    const ScratchDirectory scratch;
    const std::string path = scratch.file("flash.bin");
    std::string error;
    ASSERT_TRUE(SaveFlashImage(path, {0x2211, 0x4433, 0xFFFF}, error)) << error;
    std::ifstream file(path, std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, (Bytes{0x11, 0x22, 0x33, 0x44, 0xFF, 0xFF}));
    std::vector<std::uint16_t> words;
    ASSERT_TRUE(LoadFlashImage(path, words, error)) << error;
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0x2211, 0x4433, 0xFFFF}));
}

TEST_F(FlashImageFileTest, OddImageIsCompletedWithZero)
{
    const ScratchDirectory scratch;
    const std::string path = scratch.writeText("odd.bin", "\x11\x22\x33");
    std::vector<std::uint16_t> words;
    std::string error;
    ASSERT_TRUE(LoadFlashImage(path, words, error)) << error;
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0x2211, 0x0033}));
}

TEST_F(FlashImageFileTest, FailuresNameTheFile)
{
    std::string error;
    std::vector<std::uint16_t> words;
    EXPECT_FALSE(LoadFlashImage("/nonexistent/dir/image.bin", words, error));
    EXPECT_NE(error.find("/nonexistent/dir/image.bin"), std::string::npos);
    EXPECT_FALSE(SaveFlashImage("/nonexistent/dir/flash.bin", {1, 2}, error));
    EXPECT_NE(error.find("/nonexistent/dir/flash.bin"), std::string::npos);
}

TEST_F(FlashImageFileTest, SummaryCountsWhatHappened)
{
    Instrument::Statistics statistics;
    statistics.messagesReceived = 18;
    statistics.sectorsErased = 1;
    statistics.wordsWritten = 1024;
    statistics.repliesSent = 64;
    statistics.commands[0x02] = 1;
    EXPECT_EQ(FormatInstrumentSummary(statistics),
              "messages 18 (malformed 0), sectors erased 1, words written 1024, read replies 64, end commands 1");
}

class JackInstrumentClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<PrivateJackServer>("instrument"); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        if (!s_server->running())
            GTEST_SKIP() << "jackd cannot run here";
    }

    void start(Instrument::Config config)
    {
        instrument = std::make_unique<JackInstrumentClient>(std::move(config));
        ASSERT_TRUE(instrument->open("sim", s_server->name()).ok());
        JackMidiBackend backend(s_server->name());
        const auto outputs = backend.outputNames();
        const auto inputs = backend.inputNames();
        const auto out = std::find(outputs.begin(), outputs.end(), instrument->inputPortName());
        const auto in = std::find(inputs.begin(), inputs.end(), instrument->outputPortName());
        ASSERT_NE(out, outputs.end());
        ASSERT_NE(in, inputs.end());
        ASSERT_TRUE(backend.openOutput(static_cast<std::size_t>(out - outputs.begin()), output).ok());
        ASSERT_TRUE(backend.openInput(static_cast<std::size_t>(in - inputs.begin()), &MidiMessageCollector::callback,
                                      &collector, input)
                        .ok());
        collector.attach(*input);
    }

    MidiResult send(const Bytes& message) { return output->sendSysEx(message.data(), message.size()); }

    void TearDown() override
    {
        if (input)
            collector.detach(*input);
        input.reset();
        output.reset();
        if (instrument)
            instrument->close();
    }

    static std::unique_ptr<PrivateJackServer> s_server;
    std::unique_ptr<JackInstrumentClient> instrument;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<MidiInput> input;
    // 200 bytes, as the port pair queues.
    MidiMessageCollector collector{200};
};

std::unique_ptr<PrivateJackServer> JackInstrumentClientTest::s_server;

TEST_F(JackInstrumentClientTest, StoresAFullDataMessageAndAnswersReads)
{
    Instrument::Config config;
    config.flashWords = 0x10000;
    config.sectorStarts = Instrument::DefaultSectorStarts(0x10000);
    ASSERT_NO_FATAL_FAILURE(start(config));
    ASSERT_TRUE(send(command(0x05, {0})).ok());
    ASSERT_TRUE(send(command(0x06, {0})).ok());
    std::vector<std::uint16_t> words(1024);
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<std::uint16_t>(0x0F0F ^ (i * 0x0101));
    ASSERT_TRUE(send(command(0x0A, words)).ok());  // 4101 bytes
    ASSERT_TRUE(send(command(0x05, {0})).ok());
    ASSERT_TRUE(send(command(0x06, {0})).ok());
    ASSERT_TRUE(send(command(0x08)).ok());
    ASSERT_TRUE(collector.waitFor(1, std::chrono::seconds(2)));
    const Bytes reply = collector.messages()[0];
    EXPECT_EQ(reply, Instrument::EncodeReply({words.begin(), words.begin() + 16}));
    const auto flash = instrument->flash();
    EXPECT_TRUE(std::equal(words.begin(), words.end(), flash.begin()));
    EXPECT_EQ(instrument->statistics().wordsWritten, 1024u);
}

TEST_F(JackInstrumentClientTest, RepliesWaitForTheLatency)
{
    Instrument::Config config;
    config.replyLatencyMs = 150;
    ASSERT_NO_FATAL_FAILURE(start(config));
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(send(command(0x08)).ok());
    ASSERT_TRUE(collector.waitFor(1, std::chrono::seconds(2)));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
}

TEST_F(JackInstrumentClientTest, SlowLinkDelaysRepliesByTheirBytes)
{
    Instrument::Config config;
    config.linkBytesPerSecond = 500;  // the 5-byte request takes 10 ms, the 66-byte reply 132 ms
    ASSERT_NO_FATAL_FAILURE(start(config));
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(send(command(0x08)).ok());
    ASSERT_TRUE(collector.waitFor(1, std::chrono::seconds(2)));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(142));
}

TEST_F(JackInstrumentClientTest, MuteInstrumentSendsNothing)
{
    Instrument::Config config;
    config.faults.noReply = true;
    ASSERT_NO_FATAL_FAILURE(start(config));
    ASSERT_TRUE(send(command(0x08)).ok());
    // Its own count says when the request has been taken; it gave no reply for it.
    while (instrument->statistics().readRequests == 0)
        std::this_thread::yield();
    EXPECT_EQ(instrument->statistics().repliesSent, 0u);
}

TEST_F(JackInstrumentClientTest, VanishingInstrumentDisconnectsItsPorts)
{
    Instrument::Config config;
    config.faults.vanishAfter = 1;
    ASSERT_NO_FATAL_FAILURE(start(config));
    ASSERT_TRUE(send(command(0x01)).ok());
    ASSERT_TRUE(send(command(0x08)).ok());  // the message that finds the device gone
    MidiResult result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline && (result = send(command(0x08))).ok())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.detail.find("no longer connected"), std::string::npos) << result.detail;
    EXPECT_TRUE(collector.messages().empty());
}

TEST_F(JackInstrumentClientTest, PreloadedFlashIsReadBack)
{
    ASSERT_NO_FATAL_FAILURE(start(Instrument::Config{}));
    instrument->preload({0x1234, 0xABCD});
    ASSERT_TRUE(send(command(0x08)).ok());
    ASSERT_TRUE(collector.waitFor(1, std::chrono::seconds(2)));
    const Bytes reply = collector.messages()[0];
    ASSERT_EQ(reply.size(), 66u);
    EXPECT_EQ(Bytes(reply.begin() + 1, reply.begin() + 9), (Bytes{0x04, 0x03, 0x02, 0x01, 0x0D, 0x0C, 0x0B, 0x0A}));
}
