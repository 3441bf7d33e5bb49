#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "MidiSystem.h"
#include "SimulatedMidiBackend.h"
#include "SysExMessages.h"

using namespace platform;
using namespace simtest;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// Longest any test waits for a reply that should come.
constexpr milliseconds kReplyWaitLimit{2000};

// The receiving side as the updater runs it: one 200-byte buffer, queued
// again by the callback after each completed piece.
struct Receiver {
    static void callback(MidiInput* input, unsigned message, void* instance, MidiHeader* header)
    {
        auto* self = static_cast<Receiver*>(instance);
        if (message != kMimLongData || self->closing)
            return;
        {
            std::lock_guard lock(self->mutex);
            self->pieces.emplace_back(header->data, header->data + header->bytesRecorded);
            self->times.push_back(Clock::now());
        }
        if (self->requeue)
            input->addBuffer(header);
        self->arrived.notify_all();
    }

    bool waitFor(std::size_t count, milliseconds limit = kReplyWaitLimit)
    {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, limit, [&] { return pieces.size() >= count; });
    }

    std::size_t count()
    {
        std::lock_guard lock(mutex);
        return pieces.size();
    }

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Bytes> pieces;
    std::vector<Clock::time_point> times;
    std::atomic<bool> requeue{true};
    std::atomic<bool> closing{false};
    std::uint8_t buffer[200] = {};
    MidiHeader header{buffer, sizeof buffer, 0, 0};
};

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
        ASSERT_TRUE(backend->openInput(0, &Receiver::callback, &rx, in).ok());
        startInput();
    }

    void startInput()
    {
        ASSERT_TRUE(in->prepareHeader(&rx.header).ok());
        ASSERT_TRUE(in->addBuffer(&rx.header).ok());
        ASSERT_TRUE(in->start().ok());
    }

    // The updater's shutdown order: reset hands the buffer back, then close.
    void closeInput()
    {
        if (!in)
            return;
        rx.closing = true;
        EXPECT_TRUE(in->reset().ok());
        EXPECT_TRUE(in->unprepareHeader(&rx.header).ok());
        EXPECT_TRUE(in->close().ok());
        in.reset();
    }

    MidiResult sendBytes(const Bytes& message) { return out->sendSysEx(message.data(), message.size()); }

    void requestRead(std::uint32_t address)
    {
        for (const Bytes& m : setAddress(address))
            ASSERT_TRUE(sendBytes(m).ok());
        ASSERT_TRUE(sendBytes(readRequest()).ok());
    }

    Receiver rx;  // outlives the ports that call into it
    std::shared_ptr<SimulatedMidiBackend> backend;
    std::unique_ptr<MidiOutput> out;
    std::unique_ptr<MidiInput> in;
};

TEST_F(SimulatedMidiBackendTest, ReadRequestIsAnsweredThroughTheQueuedBuffer)
{
    openBoth();
    backend->withInstrument([](SimulatedInstrument& sim) { sim.preload(0x8000, {0x1234, 0xCAFE}); });
    requestRead(0x8000);
    ASSERT_TRUE(rx.waitFor(1));
    std::vector<std::uint16_t> expected(16, 0xFFFF);
    expected[0] = 0x1234;
    expected[1] = 0xCAFE;
    EXPECT_EQ(rx.pieces[0], SimulatedInstrument::EncodeReply(expected));

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
    EXPECT_LT(Clock::now() - sent, milliseconds(150));  // the send itself does not wait for the reply
    ASSERT_TRUE(rx.waitFor(1));
    EXPECT_GE(rx.times[0] - sent, milliseconds(150));
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
    EXPECT_GE(rx.times[0] - started, milliseconds(22));
}

TEST_F(SimulatedMidiBackendTest, OversizedReplyArrivesIn200BytePieces)
{
    SimulatedInstrument::Config config;
    config.faults.oversizedReplyWords = 64;  // 258 bytes
    openBoth(config);
    requestRead(0);
    ASSERT_TRUE(rx.waitFor(2));
    ASSERT_EQ(rx.pieces.size(), 2u);
    EXPECT_EQ(rx.pieces[0].size(), 200u);
    EXPECT_EQ(rx.pieces[1].size(), 58u);
    EXPECT_EQ(rx.pieces[1].back(), 0xF7);
}

TEST_F(SimulatedMidiBackendTest, BytesFindingNoQueuedBufferAreLost)
{
    SimulatedInstrument::Config config;
    config.faults.oversizedReplyWords = 64;
    openBoth(config);
    rx.requeue = false;
    requestRead(0);
    ASSERT_TRUE(rx.waitFor(1));
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(rx.count(), 1u);
    EXPECT_EQ(in->queuedBuffers(), 0u);
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

TEST_F(SimulatedMidiBackendTest, VanishedInstrumentFailsAndLeavesTheLists)
{
    SimulatedInstrument::Config config;
    config.faults.vanishAfter = 2;
    openBoth(config);
    for (const Bytes& m : setAddress(0))
        ASSERT_TRUE(sendBytes(m).ok());
    const MidiResult failed = sendBytes(readRequest());
    EXPECT_EQ(failed.code, kMidiNoDevice);
    EXPECT_FALSE(failed.detail.empty());
    EXPECT_TRUE(backend->outputNames().empty());
    EXPECT_TRUE(backend->inputNames().empty());
    EXPECT_FALSE(rx.waitFor(1, milliseconds(50)));

    ASSERT_TRUE(out->close().ok());
    std::unique_ptr<MidiOutput> again;
    EXPECT_EQ(backend->openOutput(0, again).code, kMidiNoDevice);
}

TEST_F(SimulatedMidiBackendTest, DeviceOpenTwiceIsRefusedUntilClosed)
{
    openBoth();
    std::unique_ptr<MidiOutput> secondOut;
    std::unique_ptr<MidiInput> secondIn;
    EXPECT_EQ(backend->openOutput(0, secondOut).code, kMidiAllocated);
    EXPECT_EQ(backend->openInput(0, &Receiver::callback, &rx, secondIn).code, kMidiAllocated);

    ASSERT_TRUE(out->close().ok());
    EXPECT_EQ(out->close().code, kMidiInvalidHandle);
    EXPECT_EQ(sendBytes(shortCommand(0x01)).code, kMidiInvalidHandle);
    EXPECT_TRUE(backend->openOutput(0, secondOut).ok());

    closeInput();
    EXPECT_TRUE(backend->openInput(0, &Receiver::callback, &rx, secondIn).ok());
}

TEST_F(SimulatedMidiBackendTest, OutputRefusesToCloseDuringASend)
{
    SimulatedInstrument::Config config;
    config.linkBytesPerSecond = SimulatedInstrument::kMidiCableBytesPerSecond;
    openBoth(config);
    const Bytes block = storeWords(std::vector<std::uint16_t>(250, 0x0000));  // about 320 ms on a cable
    std::thread sender([&] { EXPECT_TRUE(sendBytes(block).ok()); });
    while (backend->withInstrument([](SimulatedInstrument& sim) { return sim.statistics().messagesOffered; }) == 0)
        std::this_thread::yield();
    EXPECT_EQ(out->close().code, kMidiStillPlaying);
    sender.join();
    EXPECT_TRUE(out->close().ok());
}

TEST_F(SimulatedMidiBackendTest, StartedMessageIsOnTheWireUntilItsBytesAreOver)
{
    SimulatedInstrument::Config config;
    config.linkBytesPerSecond = 30;  // nine bytes: 300 ms
    openBoth(config);
    const Bytes message = setAddress(0)[0];
    ASSERT_TRUE(out->startSysEx(message.data(), message.size()).ok());
    EXPECT_EQ(out->sendState().code, kMidiStillPlaying);
    EXPECT_EQ(out->close().code, kMidiStillPlaying);
    while (out->sendState().code == kMidiStillPlaying)
        out->waitSent(milliseconds(1));
    EXPECT_EQ(backend->recordedMessages().size(), 1u);
    EXPECT_TRUE(out->close().ok());
}

TEST_F(SimulatedMidiBackendTest, ClosedInputGetsNoLateReply)
{
    SimulatedInstrument::Config config;
    config.replyLatencyMs = 200;
    openBoth(config);
    ASSERT_TRUE(sendBytes(readRequest()).ok());
    const auto closing = Clock::now();
    closeInput();
    EXPECT_LT(Clock::now() - closing, milliseconds(200));  // close does not wait for the pending reply
    std::this_thread::sleep_for(milliseconds(250));
    EXPECT_EQ(rx.count(), 0u);
}

TEST_F(SimulatedMidiBackendTest, DroppingPortsWithRepliesPendingIsClean)
{
    SimulatedInstrument::Config config;
    config.replyLatencyMs = 30;
    openBoth(config);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(sendBytes(readRequest()).ok());
    rx.closing = true;
    in.reset();  // destroyed without a close: its delivery thread must still be joined
    out.reset();
    backend.reset();
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(rx.count(), 0u);
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
    rx.closing = true;  // the returned buffer is not queued again by the callback
    ASSERT_TRUE(in->reset().ok());
    rx.closing = false;
    ASSERT_EQ(in->addBuffer(&rx.header).code, kMidiOk);
    ASSERT_TRUE(in->start().ok());
    requestRead(0);
    ASSERT_TRUE(rx.waitFor(1));
    EXPECT_EQ(rx.pieces[0].size(), 66u);
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
    ASSERT_TRUE(system.openInput(2, &Receiver::callback, &rx, in).ok());
    startInput();
    EXPECT_EQ(system.openOutput(3, out).code, kMidiBadDevice);
    requestRead(0);
    EXPECT_TRUE(rx.waitFor(1));
}
