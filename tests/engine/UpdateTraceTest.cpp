// The exchange of a complete update, played against a scripted instrument.
#include <gtest/gtest.h>
#include <thread>

#include "CMidiPort.h"
#include "MidiReply.h"
#include "MidiSystem.h"
#include "ScriptedMidiBackend.h"
#include "TracedExchange.h"

using namespace std::chrono_literals;

class UpdateTraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::MidiSystem::instance().clearBackends();
        platform::MidiSystem::instance().addBackend(backend);
    }
    void TearDown() override { platform::MidiSystem::instance().clearBackends(); }

    //! The script: the traced messages, with the instrument's replies to the reads.
    void ScriptTheInstrument()
    {
        int reads = 0;
        for (const TracedMessage& message : TracedExchange()) {
            std::vector<Bytes> replies;
            if (message.bytes == Msg(0x08)) {
                if (reads == 0) {
                    replies.push_back({0xF0, 0x0F, 0x0F, 0x0F, 0x0F, 0xF7});  // erased
                } else {
                    std::vector<std::uint16_t> words(16, 0xFFFF);
                    if (reads == 1) {
                        words[0] = 0x2211;
                        words[1] = 0x4433;
                    }
                    replies.push_back(Reply(words));
                }
                ++reads;
            }
            backend->expect(message.bytes, replies);
        }
    }

    std::shared_ptr<ScriptedMidiBackend> backend = std::make_shared<ScriptedMidiBackend>();
};

TEST_F(UpdateTraceTest, UpdateWithVerifyExchangesTheTracedMessagesInOrder)
{
    ScriptTheInstrument();
    const std::uint8_t image[] = {0x11, 0x22, 0x33, 0x44};
    std::vector<std::uint8_t> readBack(2048);
    CMidiPort port;
    try {
        port.OpenPorts(0, 0);
        port.EraseBlock(0);
        std::this_thread::sleep_for(100ms);  // the run's own wait for the erase to settle, which the trace checks
        ASSERT_EQ(port.ReadWord(0), 0xFFFF);
        port.WriteWords(image, 2, 0);
        port.ReadWords(readBack.data(), 0, 1024, 100);
        port.ClosePorts();
    } catch (const CMidiError& error) {
        FAIL() << error.what();
    }
    EXPECT_TRUE(std::equal(std::begin(image), std::end(image), readBack.begin()));
    EXPECT_EQ(readBack[4], 0xFF);

    std::vector<SentAt> sent;
    for (const auto& message : backend->sent())
        sent.push_back({message.bytes, message.time});
    ExpectTracedExchange(sent);
}
