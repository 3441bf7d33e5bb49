#include <gtest/gtest.h>

#include <chrono>

#include "MidiMessageCollector.h"
#include "MidiSystem.h"
#include "SimulatedMidiBackend.h"
#include "SysExMessages.h"

using namespace platform;
using namespace simtest;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// The updater's input buffer: longer replies arrive in pieces of this size.
constexpr std::size_t kInputBufferBytes = 200;

// A backend with two devices that cannot be opened, listed before the simulator.
class TwoDeviceBackend : public MidiBackend {
public:
    std::string backendName() const override { return "stub"; }
    std::vector<std::string> outputNames() override { return {"Out A", "Out B"}; }
    std::vector<std::string> inputNames() override { return {"In A", "In B"}; }
    MidiResult openOutput(std::size_t, std::unique_ptr<MidiOutput>&) override { return MidiResult::failure(kMidiError); }
    MidiResult openInput(std::size_t, MidiInCallback, void*, std::unique_ptr<MidiInput>&) override
    {
        return MidiResult::failure(kMidiError);
    }
};

}  // namespace

class SimulatedMidiBackendTest : public ::testing::Test {
protected:
    void TearDown() override { closeInput(); }

    void openBoth(SimulatedInstrument::Config config = {})
    {
        backend = std::make_shared<SimulatedMidiBackend>(std::move(config));
        ASSERT_TRUE(backend->openOutput(0, out).ok());
        ASSERT_TRUE(backend->openInput(0, &MidiMessageCollector::callback, &rx, in).ok());
        ASSERT_NO_FATAL_FAILURE(rx.attach(*in));
    }

    // The updater's shutdown order: reset hands the buffer back, then close.
    // The closed input is kept, so a late delivery to it would show.
    void closeInput()
    {
        if (!in)
            return;
        rx.detach(*in);
        closed = std::move(in);
    }

    MidiResult sendBytes(const Bytes& message) { return out->sendSysEx(message.data(), message.size()); }

    void requestRead(std::uint32_t address)
    {
        for (const Bytes& m : setAddress(address))
            ASSERT_TRUE(sendBytes(m).ok());
        ASSERT_TRUE(sendBytes(readRequest()).ok());
    }

    // Returns once a reply that another instrument gives `latency` from now
    // on has come: replies due before then have had their turn.
    static void waitPast(milliseconds latency)
    {
        SimulatedInstrument::Config config;
        config.replyLatencyMs = static_cast<unsigned>(latency.count());
        SimulatedMidiBackend other(config);
        std::unique_ptr<MidiOutput> otherOut;
        std::unique_ptr<MidiInput> otherIn;
        MidiMessageCollector otherRx(kInputBufferBytes);
        ASSERT_TRUE(other.openOutput(0, otherOut).ok());
        ASSERT_TRUE(other.openInput(0, &MidiMessageCollector::callback, &otherRx, otherIn).ok());
        ASSERT_NO_FATAL_FAILURE(otherRx.attach(*otherIn));
        const Bytes request = readRequest();
        ASSERT_TRUE(otherOut->sendSysEx(request.data(), request.size()).ok());
        ASSERT_TRUE(otherRx.waitFor(1));
        otherRx.detach(*otherIn);
    }

    MidiMessageCollector rx{kInputBufferBytes};  // outlives the ports that call into it
    std::shared_ptr<SimulatedMidiBackend> backend;
    std::unique_ptr<MidiOutput> out;
    std::unique_ptr<MidiInput> in;
    std::unique_ptr<MidiInput> closed;
};

TEST_F(SimulatedMidiBackendTest, ReadRequestIsAnsweredThroughTheQueuedBuffer)
{
    openBoth();
    backend->withInstrument([](SimulatedInstrument& sim) { sim.preload(0x8000, {0x1234, 0xCAFE}); });
    requestRead(0x8000);
    std::vector<std::uint16_t> expected(16, 0xFFFF);
    expected[0] = 0x1234;
    expected[1] = 0xCAFE;
    ASSERT_TRUE(rx.waitFor(1));
    EXPECT_EQ(rx.messages(), std::vector<Bytes>{SimulatedInstrument::EncodeReply(expected)});

    const auto recorded = backend->recordedMessages();
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[2].bytes, readRequest());
    EXPECT_LE(recorded[0].time, recorded[2].time);
    EXPECT_EQ(backend->withInstrument([](SimulatedInstrument& sim) { return sim.currentAddress(); }), 0x8010u);
}

TEST_F(SimulatedMidiBackendTest, ReplyWaitsForTheLatency)
{
    SimulatedInstrument::Config config;
    config.replyLatencyMs = 150;
    openBoth(config);
    const auto sent = Clock::now();
    ASSERT_TRUE(sendBytes(readRequest()).ok());
    ASSERT_TRUE(rx.waitFor(1));
    EXPECT_GE(rx.times()[0] - sent, milliseconds(150));
}

TEST_F(SimulatedMidiBackendTest, SendReturnsBeforeItsReplyIsDue)
{
    SimulatedInstrument::Config config;
    config.replyLatencyMs = 3'600'000;  // a send that waited for this reply would outlast the test's time limit
    openBoth(config);
    ASSERT_TRUE(sendBytes(readRequest()).ok());
    EXPECT_EQ(backend->recordedMessages().size(), 1u);
}

TEST_F(SimulatedMidiBackendTest, LinkRatePacesSendsAndReplies)
{
    SimulatedInstrument::Config config;
    config.linkBytesPerSecond = SimulatedInstrument::kMidiCableBytesPerSecond;
    openBoth(config);
    const Bytes block = storeWords(std::vector<std::uint16_t>(77, 0x0000));  // 313 bytes: 100 ms on a cable
    auto started = Clock::now();
    ASSERT_TRUE(sendBytes(block).ok());
    EXPECT_GE(Clock::now() - started, milliseconds(100));

    started = Clock::now();
    ASSERT_TRUE(sendBytes(readRequest()).ok());  // 5 bytes out, 66 bytes back: 1.6 ms + 21 ms
    ASSERT_TRUE(rx.waitFor(1));
    EXPECT_GE(rx.times()[0] - started, milliseconds(22));
}

TEST_F(SimulatedMidiBackendTest, OversizedReplyArrivesIn200BytePieces)
{
    SimulatedInstrument::Config config;
    config.faults.oversizedReplyWords = 64;  // 258 bytes
    openBoth(config);
    requestRead(0);
    ASSERT_TRUE(rx.waitFor(2));
    const std::vector<Bytes> pieces = rx.messages();
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].size(), 200u);
    EXPECT_EQ(pieces[1].size(), 58u);
    EXPECT_EQ(pieces[1].back(), 0xF7);
}

TEST_F(SimulatedMidiBackendTest, InjectedSendErrorFailsOneSendWithItsText)
{
    SimulatedInstrument::Config config;
    config.faults.sendErrorAfter = 1;
    openBoth(config);
    EXPECT_TRUE(sendBytes(shortCommand(0x01)).ok());
    const MidiResult failed = sendBytes(shortCommand(0x0C));
    EXPECT_EQ(failed.code, kMidiError);
    EXPECT_NE(MidiSystem::errorText(failed).find("Simulated instrument"), std::string::npos);
    EXPECT_TRUE(sendBytes(shortCommand(0x03)).ok());
    EXPECT_EQ(backend->recordedMessages().size(), 2u);
}

TEST_F(SimulatedMidiBackendTest, DeviceOpenTwiceIsRefusedUntilClosed)
{
    openBoth();
    std::unique_ptr<MidiOutput> secondOut;
    std::unique_ptr<MidiInput> secondIn;
    MidiMessageCollector secondRx;
    EXPECT_EQ(backend->openOutput(0, secondOut).code, kMidiAllocated);
    EXPECT_EQ(backend->openInput(0, &MidiMessageCollector::callback, &secondRx, secondIn).code, kMidiAllocated);

    ASSERT_TRUE(out->close().ok());
    EXPECT_TRUE(backend->openOutput(0, secondOut).ok());
    closeInput();
    EXPECT_TRUE(backend->openInput(0, &MidiMessageCollector::callback, &secondRx, secondIn).ok());
}

TEST_F(SimulatedMidiBackendTest, ClosedInputGetsNoLateReply)
{
    constexpr milliseconds kLatency{200};
    SimulatedInstrument::Config config;
    config.replyLatencyMs = static_cast<unsigned>(kLatency.count());
    openBoth(config);
    ASSERT_TRUE(sendBytes(readRequest()).ok());
    closeInput();
    rx.markClosed();
    waitPast(kLatency);  // the input object stays: a delivery to it would show
    EXPECT_EQ(rx.lateCalls(), 0u);
    EXPECT_TRUE(rx.messages().empty());
}

TEST_F(SimulatedMidiBackendTest, DroppingPortsWithRepliesPendingIsClean)
{
    constexpr milliseconds kLatency{30};
    SimulatedInstrument::Config config;
    config.replyLatencyMs = static_cast<unsigned>(kLatency.count());
    openBoth(config);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(sendBytes(readRequest()).ok());
    rx.markClosed();
    in.reset();  // destroyed without a close: its delivery thread must still be joined
    out.reset();
    backend.reset();
    waitPast(kLatency);
    EXPECT_EQ(rx.lateCalls(), 0u);
}

TEST_F(SimulatedMidiBackendTest, PortsOutliveTheBackend)
{
    openBoth();
    backend.reset();
    requestRead(0);
    EXPECT_TRUE(rx.waitFor(1));
}

TEST_F(SimulatedMidiBackendTest, InputRestartedAfterAResetReceivesAgain)
{
    openBoth();
    ASSERT_TRUE(in->reset().ok());  // the buffer comes back empty and stays out of the queue
    ASSERT_NO_FATAL_FAILURE(rx.attach(*in));
    requestRead(0);
    ASSERT_TRUE(rx.waitFor(1));
    EXPECT_EQ(rx.messages()[0].size(), 66u);
}

TEST_F(SimulatedMidiBackendTest, OpensByDeviceNumberThroughMidiSystem)
{
    MidiSystem system;
    backend = std::make_shared<SimulatedMidiBackend>();
    system.addBackend(std::make_shared<TwoDeviceBackend>());
    system.addBackend(backend);
    EXPECT_EQ(system.outputNames(),
              (std::vector<std::string>{"Out A", "Out B", "Simulated instrument (no hardware)"}));
    EXPECT_EQ(system.inputNames(), (std::vector<std::string>{"In A", "In B", "Simulated instrument (no hardware)"}));
    ASSERT_TRUE(system.openOutput(2, out).ok());
    ASSERT_TRUE(system.openInput(2, &MidiMessageCollector::callback, &rx, in).ok());
    ASSERT_NO_FATAL_FAILURE(rx.attach(*in));
    EXPECT_EQ(system.openOutput(3, out).code, kMidiBadDevice);
    requestRead(0);
    EXPECT_TRUE(rx.waitFor(1));
}
