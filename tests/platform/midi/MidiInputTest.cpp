#include "MidiInput.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace platform;

namespace {

// A device whose messages the test hands in directly.
class TestInput : public MidiInput {
public:
    using MidiInput::MidiInput;
    ~TestInput() override { close(); }
    void deliver(const std::string& message)
    {
        deliverSysEx(reinterpret_cast<const std::uint8_t*>(message.data()), message.size());
    }
    int starts = 0;
    int stops = 0;
    MidiResult startResult;

protected:
    MidiResult startDevice() override
    {
        ++starts;
        return startResult;
    }
    void stopDevice() override { ++stops; }
};

struct Delivery {
    unsigned message;
    std::string data;
    std::uint32_t flags;
};

}  // namespace

class MidiInputTest : public ::testing::Test {
protected:
    static void Callback(MidiInput* input, unsigned message, void* instance, MidiHeader* header)
    {
        auto* self = static_cast<MidiInputTest*>(instance);
        self->deliveries.push_back(
            {message, std::string(reinterpret_cast<char*>(header->data), header->bytesRecorded), header->flags});
        if (self->requeue && header->bytesRecorded > 0)
            input->addBuffer(header);
    }
    void Queue()
    {
        ASSERT_TRUE(input.prepareHeader(&header).ok());
        ASSERT_TRUE(input.addBuffer(&header).ok());
    }

    std::uint8_t buffer[200] = {};
    MidiHeader header{buffer, sizeof buffer, 0, 0};
    std::vector<Delivery> deliveries;
    bool requeue = true;
    TestInput input{&MidiInputTest::Callback, this};
};

TEST_F(MidiInputTest, CompletedMessageFillsTheQueuedBuffer)
{
    Queue();
    ASSERT_TRUE(input.start().ok());
    input.deliver("\xF0\x01\x02\xF7");
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].message, kMimLongData);
    EXPECT_EQ(deliveries[0].data, "\xF0\x01\x02\xF7");
    EXPECT_TRUE(deliveries[0].flags & kMhdrDone);
    EXPECT_FALSE(deliveries[0].flags & kMhdrInQueue);
}

TEST_F(MidiInputTest, NothingArrivesBeforeStart)
{
    Queue();
    input.deliver("\xF0\xF7");
    EXPECT_TRUE(deliveries.empty());
    EXPECT_EQ(input.queuedBuffers(), 1u);
}

TEST_F(MidiInputTest, LongMessageArrivesInBufferSizedPieces)
{
    Queue();
    input.start();
    const std::string message(450, '\x05');
    input.deliver(message);
    ASSERT_EQ(deliveries.size(), 3u);
    EXPECT_EQ(deliveries[0].data.size(), 200u);
    EXPECT_EQ(deliveries[1].data.size(), 200u);
    EXPECT_EQ(deliveries[2].data.size(), 50u);
}

TEST_F(MidiInputTest, BytesWithoutAQueuedBufferAreLost)
{
    requeue = false;
    Queue();
    input.start();
    input.deliver(std::string(250, '\x01'));
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].data.size(), 200u);
    input.deliver("\xF0\xF7");
    EXPECT_EQ(deliveries.size(), 1u);
}

TEST_F(MidiInputTest, BufferRulesAreEnforced)
{
    EXPECT_EQ(input.addBuffer(&header).code, kMidiUnprepared);
    MidiHeader empty;
    EXPECT_EQ(input.prepareHeader(&empty).code, kMidiInvalidParam);
    EXPECT_EQ(input.prepareHeader(nullptr).code, kMidiInvalidParam);
    Queue();
    EXPECT_EQ(input.addBuffer(&header).code, kMidiStillPlaying);
    EXPECT_EQ(input.unprepareHeader(&header).code, kMidiStillPlaying);
    EXPECT_EQ(input.close().code, kMidiStillPlaying);
}

TEST_F(MidiInputTest, ResetHandsBackQueuedBuffersEmpty)
{
    Queue();
    input.start();
    input.reset();
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].message, kMimLongData);
    EXPECT_TRUE(deliveries[0].data.empty());
    EXPECT_EQ(input.queuedBuffers(), 0u);
    input.deliver("\xF0\xF7");
    EXPECT_EQ(deliveries.size(), 1u) << "delivered after the reset";
    EXPECT_TRUE(input.unprepareHeader(&header).ok());
    EXPECT_TRUE(input.close().ok());
    EXPECT_EQ(input.stops, 1);
}

TEST_F(MidiInputTest, ClosedInputRefusesEverything)
{
    EXPECT_TRUE(input.close().ok());
    EXPECT_EQ(input.close().code, kMidiInvalidHandle);
    input.prepareHeader(&header);
    EXPECT_EQ(input.addBuffer(&header).code, kMidiInvalidHandle);
    EXPECT_EQ(input.start().code, kMidiInvalidHandle);
}

TEST_F(MidiInputTest, FailedStartCanBeRetried)
{
    input.startResult = MidiResult::failure(kMidiNotReady);
    EXPECT_EQ(input.start().code, kMidiNotReady);
    input.startResult = {};
    EXPECT_TRUE(input.start().ok());
    EXPECT_TRUE(input.start().ok());
    EXPECT_EQ(input.starts, 2) << "a running input is not started again";
}
