// The exchange of a complete update against the simulated instrument, run
// by the same steps the window runs.
#include <functional>
#include <stdexcept>
#include <utility>
#include <gtest/gtest.h>

#include "CMidiPort.h"
#include "EventPump.h"
#include "FirmwareUpdate.h"
#include "MidiSystem.h"
#include "SimulatedMidiBackend.h"
#include "TracedExchange.h"
#include "UpdateTestSupport.h"

using namespace std::chrono_literals;

class SimulatedTraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::MidiSystem::instance().clearBackends();
        platform::MidiSystem::instance().addBackend(backend);
        imagePath = scratch.writeFile("image.bin", {0x11, 0x22, 0x33, 0x44});
        observer.realWaits = true;  // the trace checks the run's own timing
    }
    void TearDown() override { platform::MidiSystem::instance().clearBackends(); }
    std::vector<SentAt> Recorded() const
    {
        std::vector<SentAt> sent;
        for (const auto& message : backend->recordedMessages())
            sent.push_back({message.bytes, message.time});
        return sent;
    }

    std::shared_ptr<platform::SimulatedMidiBackend> backend = std::make_shared<platform::SimulatedMidiBackend>();
    ScratchDirectory scratch;
    std::string imagePath;
    CapturingObserver observer;
    CMidiPort port;
};

TEST_F(SimulatedTraceTest, UpdateWithVerifyExchangesTheTracedMessagesInOrder)
{
    const std::list<std::uint32_t> blocks{0};
    try {
        port.OpenPorts(0, 0);
        EXPECT_TRUE(FirmwareUpdate::WriteImage(port, imagePath, blocks, observer));
        EXPECT_TRUE(FirmwareUpdate::VerifyImage(port, imagePath, blocks, observer));
        port.ClosePorts();
    } catch (const CMidiError& error) {
        FAIL() << error.what();
    }
    EXPECT_TRUE(observer.messages.empty()) << observer.messages.front();
    ExpectTracedExchange(Recorded());
    backend->withInstrument([](platform::SimulatedInstrument& instrument) {
        EXPECT_EQ(instrument.word(0), 0x2211);
        EXPECT_EQ(instrument.word(1), 0x4433);
        EXPECT_EQ(instrument.word(2), 0xFFFF);
    });
}

TEST_F(SimulatedTraceTest, BlockWrittenWithoutItsEraseFailsTheReadBack)
{
    backend->withInstrument([](platform::SimulatedInstrument& instrument) {
        instrument.preload(0, {0x0F0F, 0x0F0F});  // an earlier image, never erased
    });
    port.OpenPorts(0, 0);
    EXPECT_TRUE(FirmwareUpdate::WriteImage(port, imagePath, {}, observer)) << "no block listed: nothing erased";
    EXPECT_FALSE(FirmwareUpdate::VerifyImage(port, imagePath, {0}, observer));
    port.ClosePorts();
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0], "Fail to verify, please update again");
    backend->withInstrument([](platform::SimulatedInstrument& instrument) {
        EXPECT_EQ(instrument.word(0), 0x0F0F & 0x2211) << "programming only clears bits";
    });
}

TEST_F(SimulatedTraceTest, OnlyTheRunsOwnSendsAndWaitsLetTheWindowRun)
{
    // A link slow enough that every send is on the wire for a while.
    backend->withInstrument([](platform::SimulatedInstrument& instrument) { instrument.setTiming(0, 300); });
    static int dispatches = 0;
    platform::SetPumpHook([] { return ++dispatches > 0; });
    const auto dispatchesDuring = [](const std::function<void()>& step) {
        dispatches = 0;
        step();
        return dispatches;
    };
    const std::uint8_t words[32] = {};
    // Opening and closing happen while the window is not guarded against a second run.
    EXPECT_EQ(dispatchesDuring([&] { port.OpenPorts(0, 0); }), 0);
    EXPECT_GT(dispatchesDuring([&] { port.WriteWords(words, 16, 0); }), 0) << "69 bytes, 230 ms on the wire";
    EXPECT_GE(dispatchesDuring([&] { port.EraseBlock(0); }), 6) << "six waits of 100 ms";
    EXPECT_EQ(dispatchesDuring([&] { port.ClosePorts(); }), 0);
    platform::SetPumpHook(nullptr);
}

TEST_F(SimulatedTraceTest, StopThrownByTheWindowWaitsForTheMessageOnTheWireAndTheWholeErase)
{
    backend->withInstrument([](platform::SimulatedInstrument& instrument) { instrument.setTiming(0, 300); });
    port.OpenPorts(0, 0);
    static bool stopRequested = false;  // the headless updater's pump throws once for Ctrl-C
    platform::SetPumpHook([] {
        if (std::exchange(stopRequested, false))
            throw std::runtime_error("stop");
        return true;
    });
    const std::uint8_t words[32] = {};
    const struct {
        std::function<void()> step;
        std::size_t messages;  // that go out before the stop emerges
    } cases[] = {
        {[&] { port.WriteWords(words, 16, 0); }, 1},  // the address high half, whole
        {[&] { port.EraseBlock(0); }, 18},             // the whole sequence
    };
    for (const auto& c : cases) {
        backend->clearRecordedMessages();
        stopRequested = true;
        EXPECT_THROW(c.step(), std::runtime_error);
        const auto recorded = backend->recordedMessages();
        ASSERT_EQ(recorded.size(), c.messages);
        EXPECT_LE(recorded.back().time, std::chrono::steady_clock::now()) << "thrown before its last byte arrived";
    }
    platform::SetPumpHook(nullptr);
    port.ClosePorts();
}
