#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <deque>
#include <vector>

#include "AlsaRawMidiBackend.h"
#include "AlsaRawMidiIo.h"
#include "AlsaRawMidiPort.h"

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

namespace {

AlsaRawMidiPort makePort(int card, int device, int sub, std::string cardName, std::string subName)
{
    AlsaRawMidiPort port;
    port.card = card;
    port.device = device;
    port.subdevice = sub;
    port.cardName = std::move(cardName);
    port.subdeviceName = std::move(subName);
    return port;
}

//! A device whose write calls take scripted amounts (bytes taken, or -errno)
//! and whose waits give scripted results.
struct ScriptedDevice {
    std::deque<long> writes;
    std::deque<int> waits;
    Bytes received;
    int waitCalls = 0;
    int lastTimeout = 0;

    int send(const Bytes& message, int stallTimeoutMs = 100)
    {
        return WriteWholeMessage(
            message.data(), message.size(),
            [this](const std::uint8_t* bytes, std::size_t count) {
                long step = static_cast<long>(count);
                if (!writes.empty()) {
                    step = writes.front();
                    writes.pop_front();
                }
                if (step > 0)
                    received.insert(received.end(), bytes, bytes + std::min<std::size_t>(count, step));
                return step > 0 ? static_cast<long>(std::min<std::size_t>(count, step)) : step;
            },
            [this](int timeoutMs) {
                ++waitCalls;
                lastTimeout = timeoutMs;
                if (waits.empty())
                    return 1;
                const int result = waits.front();
                waits.pop_front();
                return result;
            },
            stallTimeoutMs);
    }
};

Bytes message(std::size_t length)
{
    Bytes bytes(length, 0x11);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

}  // namespace

class AlsaRawMidiTest : public ::testing::Test {};

TEST_F(AlsaRawMidiTest, HardwareIdAddressesTheSubdevice)
{
    EXPECT_EQ(makePort(1, 0, 2, "UM-ONE", "x").hardwareId(), "hw:1,0,2");
}

TEST_F(AlsaRawMidiTest, NamesShowCardAndSubdevice)
{
    const auto names = AlsaRawMidiPortNames({makePort(1, 0, 0, "UM-ONE", "UM-ONE MIDI 1"),
                                             makePort(2, 0, 1, "MIDISPORT 2x2", "MIDISPORT 2x2 MIDI 2")});
    EXPECT_EQ(names, (std::vector<std::string>{"UM-ONE: UM-ONE MIDI 1", "MIDISPORT 2x2: MIDISPORT 2x2 MIDI 2"}));
}

TEST_F(AlsaRawMidiTest, TwoIdenticalInterfacesGetTheirHardwareIds)
{
    const auto names = AlsaRawMidiPortNames({makePort(1, 0, 0, "UM-ONE", "UM-ONE MIDI 1"),
                                             makePort(2, 0, 0, "UM-ONE", "UM-ONE MIDI 1"),
                                             makePort(3, 0, 0, "Other", "Other MIDI 1")});
    EXPECT_EQ(names[0], "UM-ONE: UM-ONE MIDI 1 [hw:1,0,0]");
    EXPECT_EQ(names[1], "UM-ONE: UM-ONE MIDI 1 [hw:2,0,0]");
    EXPECT_EQ(names[2], "Other: Other MIDI 1");
}

TEST_F(AlsaRawMidiTest, NamelessPortsStillGetADistinctName)
{
    const auto names = AlsaRawMidiPortNames({makePort(0, 0, 0, "", ""), makePort(0, 0, 1, "", "")});
    EXPECT_EQ(names[0], "Card 0: hw:0,0,0");
    EXPECT_EQ(names[1], "Card 0: hw:0,0,1");
}

TEST_F(AlsaRawMidiTest, ErrorCodesMapToMidiStatus)
{
    EXPECT_EQ(AlsaErrorToMidiStatus(-ENODEV), kMidiNoDevice);
    EXPECT_EQ(AlsaErrorToMidiStatus(-EIO), kMidiNoDevice);
    EXPECT_EQ(AlsaErrorToMidiStatus(-EBUSY), kMidiAllocated);
    EXPECT_EQ(AlsaErrorToMidiStatus(-EPERM), kMidiError);
    EXPECT_EQ(AlsaErrorToMidiStatus(0), kMidiOk);
}

TEST_F(AlsaRawMidiTest, WholeMessageTakenAtOnceNeedsNoWait)
{
    ScriptedDevice device;
    const Bytes data = message(4101);
    EXPECT_EQ(device.send(data), 0);
    EXPECT_EQ(device.received, data);
    EXPECT_EQ(device.waitCalls, 0);
}

TEST_F(AlsaRawMidiTest, PartialWritesAndFullBufferContinueWhereTheyStopped)
{
    ScriptedDevice device;
    device.writes = {1000, -EAGAIN, 0, 3000, -EAGAIN, 200};
    const Bytes data = message(4101);
    EXPECT_EQ(device.send(data, 1234), 0);
    EXPECT_EQ(device.received, data);
    EXPECT_EQ(device.waitCalls, 3);
    EXPECT_EQ(device.lastTimeout, 1234);
}

TEST_F(AlsaRawMidiTest, DeviceThatStopsTakingBytesTimesOut)
{
    ScriptedDevice device;
    device.writes = {10, -EAGAIN};
    device.waits = {0};
    EXPECT_EQ(device.send(message(100)), -ETIMEDOUT);
    EXPECT_EQ(device.received.size(), 10u);
}

TEST_F(AlsaRawMidiTest, UnpluggedDeviceReportsItsError)
{
    ScriptedDevice device;
    device.writes = {5, -ENODEV};
    EXPECT_EQ(device.send(message(100)), -ENODEV);

    ScriptedDevice failingWait;
    failingWait.writes = {-EAGAIN};
    failingWait.waits = {-ENODEV};
    EXPECT_EQ(failingWait.send(message(100)), -ENODEV);
}

TEST_F(AlsaRawMidiTest, EndlessWakeupsWithoutProgressDoNotSpinForever)
{
    ScriptedDevice device;
    device.writes.assign(100000, -EAGAIN);
    EXPECT_EQ(device.send(message(10)), -ETIMEDOUT);
    EXPECT_LT(device.waitCalls, 100000);
}

TEST_F(AlsaRawMidiTest, MachineWithoutSoundCardsListsNothingQuietly)
{
    AlsaRawMidiBackend backend;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const auto outputs = AlsaRawMidiBackend::listPorts(true);
    const auto inputs = AlsaRawMidiBackend::listPorts(false);
    const auto outputNames = backend.outputNames();
    const auto inputNames = backend.inputNames();
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    if (!outputs.empty() || !inputs.empty())
        GTEST_SKIP() << "this machine has raw MIDI hardware";
    EXPECT_TRUE(outputNames.empty());
    EXPECT_TRUE(inputNames.empty());
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, "");
}

TEST_F(AlsaRawMidiTest, OpeningAMissingDeviceFailsCleanly)
{
    AlsaRawMidiBackend backend;
    const std::size_t outputs = backend.outputNames().size();
    const std::size_t inputs = backend.inputNames().size();
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<MidiInput> input;
    EXPECT_EQ(backend.openOutput(outputs, output).code, kMidiBadDevice);
    EXPECT_EQ(backend.openInput(inputs, nullptr, nullptr, input).code, kMidiBadDevice);
    EXPECT_FALSE(output);
    EXPECT_FALSE(input);
}
