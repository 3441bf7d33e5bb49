#include "CMidiPort.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

#include "EventPump.h"
#include "MidiReply.h"
#include "MidiSystem.h"
#include "ProtocolTestSupport.h"
#include "ScriptedMidiInput.h"
#include "SysExMessages.h"

using namespace std::chrono_literals;

namespace {

std::string Thrown(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CMidiError& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

}  // namespace

class CMidiPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::MidiSystem::instance().clearBackends();
        platform::MidiSystem::instance().addBackend(backend);
        ClearReplyReady();
    }
    void TearDown() override
    {
        port.reset();
        EXPECT_EQ(backend->remainingSteps(), 0u) << "the script was not played to its end";
        platform::MidiSystem::instance().clearBackends();
    }
    void OpenQuietly()
    {
        port->OpenOutput(0);
        port->OpenInput(0);
    }
    std::size_t CountSent(const Bytes& message) const
    {
        std::size_t count = 0;
        for (const auto& sent : backend->sent())
            count += sent.bytes == message;
        return count;
    }

    std::shared_ptr<ScriptedMidiBackend> backend = std::make_shared<ScriptedMidiBackend>(2, 2);
    std::unique_ptr<CMidiPort> port = std::make_unique<CMidiPort>();
};

TEST_F(CMidiPortTest, OpenPortsSendsOpeningCommandsWithTheTimedPulse)
{
    for (std::uint8_t command : {0x01, 0x0C, 0x03, 0x04})
        backend->expect(Msg(command));
    port->OpenPorts(1, 1);
    EXPECT_TRUE(port->IsOutputOpen());
    EXPECT_TRUE(port->IsInputOpen());
    EXPECT_EQ(backend->events(), (std::vector<std::string>{"open out 1", "open in 1"}));
    const auto& sent = backend->sent();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_GE(sent[3].time - sent[2].time, 100ms);
    EXPECT_EQ(backend->input()->queuedBuffers(), 1u) << "the one input buffer must be queued";
}

TEST_F(CMidiPortTest, ClosePortsSendsEndThenClosesOutputAndInput)
{
    OpenQuietly();
    backend->expect(Msg(0x02));
    port->ClosePorts();
    EXPECT_FALSE(port->IsOutputOpen());
    EXPECT_FALSE(port->IsInputOpen());
    const std::vector<std::string> tail(backend->events().end() - 3, backend->events().end());
    EXPECT_EQ(tail, (std::vector<std::string>{"close out 0", "close in 0", "destroy in 0"}));
}

TEST_F(CMidiPortTest, EraseBlockIssuesTheSectorEraseSequenceWithWaits)
{
    OpenQuietly();
    const std::uint16_t writes[6][2] = {{0x5555, 0xAA}, {0x22AA, 0x55}, {0x5555, 0x80},
                                        {0x5555, 0xAA}, {0x22AA, 0x55}, {0x2000, 0x30}};
    for (const auto& write : writes) {
        backend->expect(ValueMsg(0x05, 0x0001));
        backend->expect(ValueMsg(0x06, write[0]));
        backend->expect(ValueMsg(0x09, write[1]));
    }
    port->EraseBlock(0x12000);
    const auto& sent = backend->sent();
    ASSERT_EQ(sent.size(), 18u);
    for (std::size_t i = 5; i + 1 < sent.size(); i += 3)
        EXPECT_GE(sent[i + 1].time - sent[i].time, 100ms) << "no wait after write " << i / 3 + 1;
}

TEST_F(CMidiPortTest, WordsComeInEqualPiecesWhereTheOutputCarriesLessWhole)
{
    std::vector<std::uint16_t> words(1024);
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<std::uint16_t>(i * 0x0707);
    // Any length, the whole 4101-byte message, a Web MIDI output's 4032 bytes.
    for (const auto& [longest, pieces] : std::vector<std::pair<std::size_t, std::size_t>>{{0, 1}, {4101, 1}, {4032, 2}}) {
        SCOPED_TRACE(longest);
        backend->longestOutputMessage = longest;
        OpenQuietly();
        ExpectAddress(*backend, 0x10400);
        for (std::size_t i = 0; i < pieces; ++i)
            backend->expect(simtest::storeWords({words.begin() + i * 1024 / pieces, words.begin() + (i + 1) * 1024 / pieces}));
        port->WriteWords(reinterpret_cast<const std::uint8_t*>(words.data()), 1024, 0x10400);
    }
}

TEST_F(CMidiPortTest, ReadWordDecodesLowNibbleFirst)
{
    OpenQuietly();
    ExpectAddress(*backend, 0x12345);
    backend->expect(Msg(0x08), {{0xF0, 0x04, 0x03, 0x02, 0x01, 0xF7}});
    EXPECT_EQ(port->ReadWord(0x12345), 0x1234);
}

TEST_F(CMidiPortTest, ReadOf1024WordsIn16WordRepliesUsesOneAddressPairAnd64Requests)
{
    OpenQuietly();
    ExpectAddress(*backend, 0x400);
    for (unsigned request = 0; request < 64; ++request) {
        std::vector<std::uint16_t> words;
        for (unsigned i = 0; i < 16; ++i)
            words.push_back(std::uint16_t(request * 16 + i) * 3);
        backend->expect(Msg(0x08), {Reply(words)});
    }
    std::vector<std::uint8_t> buffer(2048, 0xEE);
    port->ReadWords(buffer.data(), 0x400, 1024, 100);
    EXPECT_EQ(CountSent(Msg(0x08)), 64u);
    for (unsigned i = 0; i < 1024; ++i)
        ASSERT_EQ(buffer[2 * i] | buffer[2 * i + 1] << 8, std::uint16_t(i * 3)) << "word " << i;
}

TEST_F(CMidiPortTest, RepliesOfVaryingSizeFillTheBufferAndTheSurplusIsDropped)
{
    OpenQuietly();
    ExpectAddress(*backend, 0);
    backend->expect(Msg(0x08), {Reply({0x1111, 0x2222})});
    backend->expect(Msg(0x08), {Reply({0x3333})});
    backend->expect(Msg(0x08), {Reply({0x4444, 0x5555, 0x6666})});
    std::uint8_t buffer[10] = {};
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    port->ReadWords(buffer, 0, 4, 100);
    const std::uint8_t expected[10] = {0x11, 0x11, 0x22, 0x22, 0x33, 0x33, 0x44, 0x44, 0xEE, 0xEE};
    EXPECT_TRUE(std::equal(std::begin(buffer), std::end(buffer), std::begin(expected)))
        << HexDump(Bytes(std::begin(buffer), std::end(buffer)));
}

TEST_F(CMidiPortTest, ReadOfZeroWordsSendsOnlyTheAddress)
{
    OpenQuietly();
    ExpectAddress(*backend, 0x20);
    port->ReadWords(nullptr, 0x20, 0, 100);
}

TEST_F(CMidiPortTest, MissingReplyTimesOutAfterThePolls)
{
    static int polls = 0;  // each poll of 1 ms ends with one dispatch
    platform::SetPumpHook([] { return ++polls > 0; });
    OpenQuietly();
    ExpectAddress(*backend, 0);
    backend->expect(Msg(0x08));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Thrown([&] { port->ReadWord(0); }), "Wait Time Out!");
    platform::SetPumpHook(nullptr);
    EXPECT_EQ(polls, 100);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
    EXPECT_TRUE(port->IsOutputOpen()) << "a time-out leaves the ports to the caller";
}

TEST_F(CMidiPortTest, EndOfTheSessionDuringAWaitSendsTheEndCommandAndClosesFromInside)
{
    static CMidiPort* running = nullptr;  // the window's dispatch, as the session ends during a reply's wait
    running = port.get();
    platform::SetPumpHook([] {
        if (running != nullptr)
            std::exchange(running, nullptr)->EndDuringRun(100);
        return true;
    });
    OpenQuietly();
    ExpectAddress(*backend, 0);
    backend->expect(Msg(0x08));
    backend->expect(Msg(0x02));
    EXPECT_EQ(Thrown([&] { port->ReadWord(0); }), "Wait Time Out!");
    platform::SetPumpHook(nullptr);
    EXPECT_FALSE(port->IsOutputOpen());
    EXPECT_FALSE(port->IsInputOpen());
}

TEST_F(CMidiPortTest, InputDeviceThatWentAwayEndsTheWaitWithItsText)
{
    OpenQuietly();
    ExpectAddress(*backend, 0);
    backend->expect(Msg(0x08));
    backend->input()->fail(platform::MidiResult::failure(platform::kMidiNoDevice, "USB MIDI 1: No such device"));
    EXPECT_EQ(Thrown([&] { port->ReadWord(0); }), "USB MIDI 1: No such device");
}

TEST_F(CMidiPortTest, ReplyBeforeTheRequestDoesNotCount)
{
    OpenQuietly();
    backend->input()->deliver(Reply({0x1234}).data(), 6);  // stale: arrives before anything was asked
    ExpectAddress(*backend, 0);
    backend->expect(Msg(0x08));
    EXPECT_EQ(Thrown([&] { port->ReadWords(std::array<std::uint8_t, 2>{}.data(), 0, 1, 5); }), "Wait Time Out!");
}

TEST_F(CMidiPortTest, ReplyWithPartialWordIsRejected)
{
    OpenQuietly();
    ExpectAddress(*backend, 0);
    backend->expect(Msg(0x08), {{0xF0, 0x04, 0x03, 0x02, 0x01, 0x00, 0xF7}});
    EXPECT_EQ(Thrown([&] { port->ReadWord(0); }), "Read Data Unexpected!");
}

TEST_F(CMidiPortTest, ReplyLongerThanTheInputBufferIsRejected)
{
    OpenQuietly();
    ExpectAddress(*backend, 0);
    backend->expect(Msg(0x08), {Reply(std::vector<std::uint16_t>(60, 0xABCD))});  // 242 bytes
    std::vector<std::uint8_t> buffer(120);
    EXPECT_EQ(Thrown([&] { port->ReadWords(buffer.data(), 0, 60, 100); }), "Read Data Unexpected!");
    EXPECT_EQ(g_replyLength, 200u) << "the first 200-byte piece is the reply";
    EXPECT_EQ(backend->input()->queuedBuffers(), 1u) << "the buffer must stay queued";
}

TEST_F(CMidiPortTest, EmptyReplyIsAnsweredWithAFurtherRequest)
{
    OpenQuietly();
    ExpectAddress(*backend, 0);
    backend->expect(Msg(0x08), {{0xF0, 0xF7}});
    backend->expect(Msg(0x08), {{0xF0, 0x04, 0x03, 0x02, 0x01, 0xF7}});
    EXPECT_EQ(port->ReadWord(0), 0x1234);
}

TEST_F(CMidiPortTest, EndlessEmptyRepliesEndInATimeOut)
{
    OpenQuietly();
    ExpectAddress(*backend, 0);
    for (unsigned i = 0; i < CMidiPort::kMaxEmptyReplies; ++i)
        backend->expect(Msg(0x08), {{0xF0, 0xF7}});
    EXPECT_EQ(Thrown([&] { port->ReadWord(0); }), "Wait Time Out!");
    EXPECT_EQ(CountSent(Msg(0x08)), CMidiPort::kMaxEmptyReplies);
}

TEST_F(CMidiPortTest, EmptyRepliesBetweenDataDoNotCountAgainstTheLimit)
{
    OpenQuietly();
    ExpectAddress(*backend, 0);
    const unsigned words = 3;
    for (unsigned w = 0; w < words; ++w) {
        for (unsigned i = 0; i + 1 < CMidiPort::kMaxEmptyReplies; ++i)
            backend->expect(Msg(0x08), {{0xF0, 0xF7}});
        backend->expect(Msg(0x08), {Reply({std::uint16_t(w)})});
    }
    std::uint8_t buffer[6] = {};
    port->ReadWords(buffer, 0, words, 10);
    EXPECT_EQ(buffer[4], 2);
}

TEST_F(CMidiPortTest, BufferShorterThanTheFrameCountsAsAnEmptyReply)
{
    OpenQuietly();
    ExpectAddress(*backend, 0);
    backend->expect(Msg(0x08), {{0xF7}});
    backend->expect(Msg(0x08), {Reply({0xBEEF})});
    EXPECT_EQ(port->ReadWord(0), 0xBEEF);

    platform::MidiHeader header{g_midiInBuffer, 200, 0, platform::kMhdrDone};
    ClearReplyReady();
    CMidiPort::MidiInProc(nullptr, platform::kMimLongData, port.get(), &header);
    EXPECT_TRUE(IsReplyReady());
    EXPECT_EQ(g_replyLength, 2u);
}

TEST_F(CMidiPortTest, CallbackIgnoresEverythingButCompletedBuffers)
{
    OpenQuietly();
    platform::MidiHeader header{g_midiInBuffer, 200, 6, platform::kMhdrDone};
    for (unsigned message : {platform::kMimOpen, platform::kMimData, platform::kMimError, platform::kMimClose})
        CMidiPort::MidiInProc(backend->input(), message, port.get(), &header);
    EXPECT_FALSE(IsReplyReady());
}

TEST_F(CMidiPortTest, FailedInputOpenClosesTheOutputSoTheNextAttemptWorks)
{
    backend->openInputResult = platform::MidiResult::failure(platform::kMidiAllocated);
    EXPECT_EQ(Thrown([&] { port->OpenPorts(0, 0); }), "Fail to open MIDI in device");
    EXPECT_FALSE(port->IsOutputOpen());
    EXPECT_EQ(backend->events(), (std::vector<std::string>{"open out 0", "close out 0"}));

    backend->openInputResult = {};
    for (std::uint8_t command : {0x01, 0x0C, 0x03, 0x04})
        backend->expect(Msg(command));
    port->OpenPorts(0, 0);
    EXPECT_TRUE(port->IsInputOpen());
}

TEST_F(CMidiPortTest, InputThatCannotStartIsClosedAgain)
{
    backend->startInputResult = platform::MidiResult::failure(platform::kMidiNoDevice);
    EXPECT_EQ(Thrown([&] { port->OpenPorts(0, 0); }), "Fail to open MIDI in device");
    EXPECT_FALSE(port->IsOutputOpen());
    EXPECT_FALSE(port->IsInputOpen());
    EXPECT_EQ(backend->events().back(), "destroy in 0");
}

TEST_F(CMidiPortTest, FailedOpeningCommandClosesBothPortsAndKeepsTheText)
{
    backend->expect(Msg(0x01));
    backend->expect(Msg(0x0C), {}, platform::MidiResult::failure(platform::kMidiNoDevice, "cable pulled"));
    EXPECT_EQ(Thrown([&] { port->OpenPorts(0, 0); }), "cable pulled");
    EXPECT_FALSE(port->IsOutputOpen());
    EXPECT_FALSE(port->IsInputOpen());
}

TEST_F(CMidiPortTest, FailedOutputOpenThrowsAndLeavesNothingOpen)
{
    backend->openOutputResult = platform::MidiResult::failure(platform::kMidiAllocated);
    EXPECT_EQ(Thrown([&] { port->OpenPorts(0, 0); }), "Fail to open MIDI out device");
    EXPECT_EQ(Thrown([&] { port->OpenOutput(7); }), "Fail to open MIDI out device");
    EXPECT_FALSE(port->IsOutputOpen());
    EXPECT_FALSE(port->IsInputOpen());
}

TEST_F(CMidiPortTest, ChosenDeviceThatIsGoneFailsNamingItBeforeAnythingIsSent)
{
    const platform::MidiDeviceId out = platform::MidiSystem::instance().outputDevices().at(1);
    const platform::MidiDeviceId gone{"scripted", "Scripted in 7", "Scripted in 7"};
    EXPECT_EQ(Thrown([&] { port->OpenPorts(out, gone); }),
              "Fail to open MIDI in device\n\"Scripted in 7\" is no longer connected");
    EXPECT_TRUE(backend->sent().empty());
    EXPECT_EQ(backend->events(), (std::vector<std::string>{"open out 1", "close out 1"}));
}

TEST_F(CMidiPortTest, DeviceNumberBeyondTheListFailsToOpen)
{
    EXPECT_EQ(Thrown([&] { port->OpenInput(2); }), "Fail to open MIDI in device");
    EXPECT_FALSE(port->IsInputOpen());
}

TEST_F(CMidiPortTest, FailedEndCommandStillClosesBothPorts)
{
    OpenQuietly();
    backend->expect(Msg(0x02), {}, platform::MidiResult::failure(platform::kMidiNotReady));
    EXPECT_EQ(Thrown([&] { port->ClosePorts(); }), platform::MidiSystem::errorText(platform::kMidiNotReady));
    EXPECT_FALSE(port->IsOutputOpen());
    EXPECT_FALSE(port->IsInputOpen());
}

TEST_F(CMidiPortTest, LongSendErrorTextArrivesWhole)
{
    OpenQuietly();
    const std::string detail = std::string(300, 'x') + " end";
    backend->expect(Msg(0x02), {}, platform::MidiResult::failure(platform::kMidiError, detail));
    EXPECT_EQ(Thrown([&] { port->SendEnd(); }), detail);
}

TEST_F(CMidiPortTest, SendingOnAClosedPortThrowsTheInvalidHandleText)
{
    const std::string invalid = platform::MidiSystem::errorText(platform::kMidiInvalidHandle);
    EXPECT_EQ(Thrown([&] { port->SendStart(); }), invalid);
    EXPECT_EQ(Thrown([&] { port->ReadWord(0); }), invalid);
    EXPECT_EQ(Thrown([&] { port->ClosePorts(); }), invalid);
}

TEST_F(CMidiPortTest, ClosingPortsThatWereNeverOpenedDoesNothing)
{
    port->CloseOutput();
    port->CloseInput();
    port->CloseInput();
    EXPECT_TRUE(backend->events().empty());
}

TEST_F(CMidiPortTest, OutputBusyWithASendIsClosedOnceFreeOrDroppedAfterTheLastRetry)
{
    struct Case {
        unsigned busyCloses;
        unsigned expectedBusy;
        bool closed;
    };
    for (const Case& c : {Case{3, 3, true}, Case{~0u, CMidiPort::kCloseOutputRetries, false}}) {
        CMidiPort closing;
        closing.OpenOutput(0);
        const std::size_t before = backend->events().size();
        backend->busyOutputCloses = c.busyCloses;
        closing.CloseOutput();
        const auto& events = backend->events();
        EXPECT_EQ(std::count(events.begin() + before, events.end(), "busy out 0"), c.expectedBusy);
        EXPECT_EQ(events.back() == "close out 0", c.closed) << events.back();
        EXPECT_FALSE(closing.IsOutputOpen());
        backend->busyOutputCloses = 0;
    }
}

TEST_F(CMidiPortTest, OpeningTheOutputTwiceClosesTheFirst)
{
    port->OpenOutput(0);
    port->OpenOutput(1);
    EXPECT_EQ(backend->events(), (std::vector<std::string>{"open out 0", "close out 0", "open out 1"}));
}

TEST_F(CMidiPortTest, OpeningTheInputTwiceClosesTheFirstAndQueuesTheBufferOnce)
{
    port->OpenInput(0);
    port->OpenInput(1);
    EXPECT_EQ(backend->events(), (std::vector<std::string>{"open in 0", "close in 0", "destroy in 0", "open in 1"}));
    EXPECT_EQ(backend->input()->queuedBuffers(), 1u);
}

TEST_F(CMidiPortTest, BufferHandedBackWhileClosingIsNeitherStoredNorQueuedAgain)
{
    OpenQuietly();
    port->CloseInput();
    EXPECT_FALSE(IsReplyReady()) << "the buffer returned by the reset counted as a reply";
    EXPECT_EQ(backend->events().back(), "destroy in 0");
    EXPECT_NE(std::find(backend->events().begin(), backend->events().end(), "close in 0"), backend->events().end())
        << "the input did not close: its buffer was queued again";
}

TEST_F(CMidiPortTest, ReplyArrivingWhileTheInputClosesIsIgnored)
{
    OpenQuietly();
    platform::MidiHeader* header = &g_midiInHeader;
    backend->onInputStop = [&](ScriptedMidiInput& input) {
        // A driver completing the buffer late, after the reset.
        const Bytes late = Reply({0x1234});
        std::copy(late.begin(), late.end(), header->data);
        header->bytesRecorded = std::uint32_t(late.size());
        CMidiPort::MidiInProc(&input, platform::kMimLongData, port.get(), header);
    };
    port->CloseInput();
    EXPECT_FALSE(IsReplyReady());
    EXPECT_EQ(header->flags & platform::kMhdrInQueue, 0u);
}

TEST_F(CMidiPortTest, ClosingWhileRepliesStreamInEndsCleanly)
{
    OpenQuietly();
    ScriptedMidiInput* input = backend->input();
    std::atomic<bool> stop{false};
    std::atomic<unsigned> delivered{0};
    std::thread device([&] {
        const Bytes reply = Reply({1, 2, 3});
        while (!stop) {
            input->deliver(reply.data(), reply.size());
            ++delivered;
        }
    });
    // Like a real driver, the input's thread ends before its close returns.
    backend->onInputStop = [&](ScriptedMidiInput&) {
        stop = true;
        device.join();
    };
    while (delivered < 100)  // replies are streaming in
        std::this_thread::yield();
    port->CloseInput();
    EXPECT_FALSE(device.joinable()) << "the input was not closed";
    if (device.joinable()) {
        stop = true;
        device.join();
    }
    EXPECT_FALSE(port->IsInputOpen());
}
