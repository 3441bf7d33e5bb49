#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "SimulatedInstrument.h"
#include "SysExMessages.h"

using platform::SimulatedInstrument;
using namespace simtest;

class SimulatedInstrumentTest : public ::testing::Test {
protected:
    void SetUp() override { make({}); }

    void make(SimulatedInstrument::Config config) { instrument = SimulatedInstrument(std::move(config)); }

    std::vector<Bytes> send(const Bytes& message) { return instrument.receive(message.data(), message.size()); }

    void sendAll(const std::vector<Bytes>& messages)
    {
        for (const Bytes& m : messages)
            EXPECT_TRUE(send(m).empty());
    }

    void writeAt(std::uint32_t address, const std::vector<std::uint16_t>& words)
    {
        sendAll(setAddress(address));
        send(storeWords(words));
    }

    Bytes readAt(std::uint32_t address)
    {
        sendAll(setAddress(address));
        auto replies = send(readRequest());
        return replies.size() == 1 ? replies[0] : Bytes{};
    }

    SimulatedInstrument instrument;
};

TEST_F(SimulatedInstrumentTest, DefaultSectorMapIsBottomBoot)
{
    const std::vector<std::uint32_t> expected{0x0000,  0x2000,  0x3000,  0x4000,  0x8000,  0x10000,
                                              0x18000, 0x20000, 0x28000, 0x30000, 0x38000};
    EXPECT_EQ(instrument.config().sectorStarts, expected);
    EXPECT_EQ(instrument.flash().size(), 0x40000u);
    EXPECT_EQ(instrument.sectorStartOf(0x3FFF), 0x3000u);
    EXPECT_EQ(instrument.sectorStartOf(0x3FFFF), 0x38000u);
    EXPECT_FALSE(instrument.sectorStartOf(0x40000).has_value());
}

TEST_F(SimulatedInstrumentTest, AddressHalvesAreSetSeparately)
{
    send(valueCommand(0x06, 0x1234));
    send(valueCommand(0x05, 0x0002));
    EXPECT_EQ(instrument.currentAddress(), 0x21234u);
    send(valueCommand(0x06, 0xFFFF));
    EXPECT_EQ(instrument.currentAddress(), 0x2FFFFu);
}

TEST_F(SimulatedInstrumentTest, StoredWordsLandFromTheCurrentAddressWhichAdvances)
{
    writeAt(0x10400, {0x1234, 0xBEEF, 0x0001});
    EXPECT_EQ(instrument.word(0x10400), 0x1234);
    EXPECT_EQ(instrument.word(0x10401), 0xBEEF);
    EXPECT_EQ(instrument.word(0x10402), 0x0001);
    EXPECT_EQ(instrument.word(0x10403), 0xFFFF);
    EXPECT_EQ(instrument.currentAddress(), 0x10403u);
    send(storeWords({0x5555}));  // continues where the last store ended
    EXPECT_EQ(instrument.word(0x10403), 0x5555);
    EXPECT_EQ(instrument.statistics().wordsWritten, 4u);
}

TEST_F(SimulatedInstrumentTest, ProgrammingAnUnerasedWordCorruptsIt)
{
    writeAt(0x100, {0x1234});
    writeAt(0x100, {0x4321});
    EXPECT_EQ(instrument.word(0x100), 0x1234 & 0x4321);
    EXPECT_EQ(decodeReply(readAt(0x100)).at(0), 0x0220);
}

TEST_F(SimulatedInstrumentTest, ReplyEncodesEachWordLowNibbleOfLowByteFirst)
{
    instrument.preload(0x20, {0x1234, 0xA5F0});
    const Bytes reply = readAt(0x20);
    ASSERT_EQ(reply.size(), 66u);  // 16 words
    const Bytes head{0xF0, 0x04, 0x03, 0x02, 0x01, 0x00, 0x0F, 0x05, 0x0A, 0x0F, 0x0F, 0x0F, 0x0F};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), reply.begin()));
    EXPECT_EQ(reply.back(), 0xF7);
    EXPECT_EQ(instrument.currentAddress(), 0x30u);
}

TEST_F(SimulatedInstrumentTest, SuccessiveReadsContinueWithoutANewAddress)
{
    std::vector<std::uint16_t> image(40);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint16_t>(0x1000 + i);
    instrument.preload(0x4000, image);
    std::vector<std::uint16_t> read = decodeReply(readAt(0x4000));
    for (int i = 0; i < 2; ++i) {
        auto more = decodeReply(send(readRequest()).at(0));
        read.insert(read.end(), more.begin(), more.end());
    }
    read.resize(image.size());
    EXPECT_EQ(read, image);
}

TEST_F(SimulatedInstrumentTest, ReplySizeIsClampedToTheInputBuffer)
{
    SimulatedInstrument::Config config;
    config.replyWords = 49;
    make(config);
    EXPECT_EQ(readAt(0).size(), 198u);
    config.replyWords = 50;
    make(config);
    EXPECT_EQ(readAt(0).size(), 198u);
    config.replyWords = 0;
    make(config);
    EXPECT_EQ(readAt(0).size(), 6u);
}

TEST_F(SimulatedInstrumentTest, BeyondTheFlashReadsErasedAndIgnoresWrites)
{
    SimulatedInstrument::Config config;
    config.flashWords = 0x100;
    config.replyWords = 4;
    make(config);
    instrument.preload(0xFE, {0x0000, 0x0000});
    writeAt(0xFF, {0x1111, 0x2222});
    EXPECT_EQ(instrument.statistics().wordsWritten, 1u);
    EXPECT_EQ(decodeReply(readAt(0xFE)), (std::vector<std::uint16_t>{0x0000, 0x0000, 0xFFFF, 0xFFFF}));
}

TEST_F(SimulatedInstrumentTest, EraseSequenceErasesTheWholeSectorOfTheLastWrite)
{
    instrument.preload(0x0FFFF, {0x0000, 0x0000});  // last word before and first of sector 0x10000
    instrument.preload(0x17FFF, {0x0000, 0x0000});  // last of sector 0x10000 and first after it
    sendAll(eraseSequence(0x12000));                // any word inside the sector names it
    EXPECT_EQ(instrument.word(0x0FFFF), 0x0000);
    EXPECT_EQ(instrument.word(0x10000), 0xFFFF);
    EXPECT_EQ(instrument.word(0x17FFF), 0xFFFF);
    EXPECT_EQ(instrument.word(0x18000), 0x0000);
    EXPECT_EQ(instrument.statistics().sectorsErased, 1u);
    EXPECT_EQ(instrument.statistics().busWrites, 6u);
}

TEST_F(SimulatedInstrumentTest, AnyWrongCycleCancelsTheErase)
{
    // Each of the six cycles in turn carries a wrong value, or the usual 0x2AAA unlock address.
    for (int wrong = 0; wrong < 6; ++wrong) {
        for (bool wrongAddress : {false, true}) {
            make({});
            instrument.preload(0x4000, {0x0000});
            auto messages = eraseSequence(0x4000);
            if (wrongAddress && (wrong == 1 || wrong == 4))
                messages[wrong * 3 + 1] = valueCommand(0x06, 0x2AAA);
            else
                messages[wrong * 3 + 2] = valueCommand(0x09, 0x00A0);
            sendAll(messages);
            EXPECT_EQ(instrument.word(0x4000), 0x0000) << "cycle " << wrong + 1;
            EXPECT_EQ(instrument.statistics().sectorsErased, 0u);
        }
    }
}

TEST_F(SimulatedInstrumentTest, AnInterruptedSequenceDoesNotSpoilTheNextOne)
{
    instrument.preload(0x2000, {0x0000});
    auto messages = eraseSequence(0x2000);
    sendAll({messages.begin(), messages.begin() + 6});  // two cycles, then abandoned
    sendAll(messages);
    EXPECT_EQ(instrument.word(0x2000), 0xFFFF);
}

TEST_F(SimulatedInstrumentTest, ANewExchangeForgetsASequenceCutShortByALostLink)
{
    for (int cycles = 1; cycles <= 5; ++cycles) {
        make({});
        instrument.preload(0x2000, {0x0000});
        const auto messages = eraseSequence(0x2000);
        sendAll({messages.begin(), messages.begin() + 3 * cycles});
        EXPECT_TRUE(send(shortCommand(0x01)).empty());
        sendAll(messages);
        EXPECT_EQ(instrument.word(0x2000), 0xFFFF) << cycles << " cycles before the link was lost";
    }
}

TEST_F(SimulatedInstrumentTest, SessionCommandsAreCountedAndChangeNothing)
{
    for (std::uint8_t command : {0x01, 0x0C, 0x03, 0x04, 0x02})
        EXPECT_TRUE(send(shortCommand(command)).empty());
    for (std::uint8_t command : {0x01, 0x0C, 0x03, 0x04, 0x02})
        EXPECT_EQ(instrument.statistics().commands[command], 1u);
    EXPECT_EQ(instrument.statistics().malformed, 0u);
    EXPECT_EQ(instrument.currentAddress(), 0u);
}

TEST_F(SimulatedInstrumentTest, MalformedMessagesAreIgnoredAndCounted)
{
    sendAll(setAddress(0x300));
    const std::vector<Bytes> bad{
        {},
        {0xF0, 0xF7},
        {0xF1, 0x7E, 0x08, 0x08, 0xF7},
        {0xF0, 0x7F, 0x08, 0x08, 0xF7},
        {0xF0, 0x7E, 0x09, 0x08, 0xF7},
        {0xF0, 0x7E, 0x08, 0x08, 0x00},
        {0xF0, 0x7E, 0x08, 0x08, 0x00, 0xF7},
        {0xF0, 0x7E, 0x08, 0x07, 0xF7},
        {0xF0, 0x7E, 0x08, 0x06, 0x01, 0x02, 0x03, 0xF7},
        {0xF0, 0x7E, 0x08, 0x06, 0x01, 0x02, 0x10, 0x04, 0xF7},
        {0xF0, 0x7E, 0x08, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7},
        {0xF0, 0x7E, 0x08, 0x0A, 0x00, 0x00, 0x00, 0x7F, 0xF7},
    };
    for (const Bytes& message : bad)
        EXPECT_TRUE(instrument.receive(message.empty() ? nullptr : message.data(), message.size()).empty());
    EXPECT_EQ(instrument.statistics().malformed, bad.size());
    EXPECT_EQ(instrument.currentAddress(), 0x300u);
    EXPECT_EQ(instrument.word(0x300), 0xFFFF);
    EXPECT_EQ(instrument.statistics().readRequests, 0u);
}

TEST_F(SimulatedInstrumentTest, NoReplyFaultSilencesReads)
{
    instrument.faults().noReply = true;
    EXPECT_TRUE(readAt(0).empty());
    EXPECT_EQ(instrument.statistics().readRequests, 1u);
    EXPECT_EQ(instrument.statistics().repliesSent, 0u);
}

TEST_F(SimulatedInstrumentTest, WrongLengthFaultCutsTheReply)
{
    instrument.preload(0, {0x1234, 0x5678});
    instrument.faults().replyLength = 7;
    EXPECT_EQ(readAt(0), (Bytes{0xF0, 0x04, 0x03, 0x02, 0x01, 0x08, 0xF7}));
    EXPECT_EQ(instrument.currentAddress(), 1u);  // only the whole word was used up
    instrument.faults().replyLength = 1;
    EXPECT_EQ(readAt(0), Bytes{0xF0});
}

TEST_F(SimulatedInstrumentTest, OversizedAndEmptyReplyFaults)
{
    instrument.faults().oversizedReplyWords = 64;
    EXPECT_EQ(readAt(0).size(), 258u);
    instrument.faults().emptyReplies = true;
    EXPECT_EQ(readAt(0), (Bytes{0xF0, 0xF7}));
    EXPECT_EQ(instrument.currentAddress(), 0u);
}

TEST_F(SimulatedInstrumentTest, StuckSectorNeverErasesButOthersDo)
{
    instrument.faults().stuckSectors = {0x8123};
    instrument.preload(0x8000, {0x0000});
    instrument.preload(0x10000, {0x0000});
    sendAll(eraseSequence(0x8000));
    sendAll(eraseSequence(0x10000));
    EXPECT_EQ(instrument.word(0x8000), 0x0000);
    EXPECT_EQ(instrument.word(0x10000), 0xFFFF);
    EXPECT_EQ(instrument.statistics().eraseCommands, 2u);
    EXPECT_EQ(instrument.statistics().sectorsErased, 1u);
}

TEST_F(SimulatedInstrumentTest, BitFlipChangesOnlyWhatIsStoredAtItsAddress)
{
    instrument.faults().bitFlips = {{0x401, 0x0100}};
    writeAt(0x400, {0x1234, 0x1234, 0x1234});
    EXPECT_EQ(instrument.word(0x400), 0x1234);
    EXPECT_EQ(instrument.word(0x401), 0x1334);
    EXPECT_EQ(instrument.word(0x402), 0x1234);
}

TEST_F(SimulatedInstrumentTest, BusyReadsFollowAnErase)
{
    SimulatedInstrument::Config config;
    config.replyWords = 1;
    config.faults.busyReadsAfterErase = 2;
    make(config);
    sendAll(eraseSequence(0x4000));
    EXPECT_NE(decodeReply(readAt(0x4000)).at(0), 0xFFFF);
    EXPECT_NE(decodeReply(readAt(0x4000)).at(0), 0xFFFF);
    EXPECT_EQ(decodeReply(readAt(0x4000)).at(0), 0xFFFF);
}

TEST_F(SimulatedInstrumentTest, SendErrorFailsTheNextMessagesOnly)
{
    instrument.faults().sendErrorAfter = 2;
    instrument.faults().sendErrorCount = 2;
    using Link = SimulatedInstrument::LinkState;
    std::vector<Link> fates;
    for (std::uint16_t low = 1; low <= 5; ++low) {
        const Bytes m = valueCommand(0x06, low);
        fates.push_back(instrument.transfer(m.data(), m.size()).link);
    }
    EXPECT_EQ(fates, (std::vector<Link>{Link::Delivered, Link::Delivered, Link::SendError, Link::SendError,
                                         Link::Delivered}));
    EXPECT_EQ(instrument.statistics().messagesReceived, 3u);
    EXPECT_EQ(instrument.currentAddress(), 5u);
}

TEST_F(SimulatedInstrumentTest, VanishedDeviceNeverAnswersAgain)
{
    instrument.faults().vanishAfter = 3;
    sendAll(setAddress(0));
    EXPECT_EQ(send(readRequest()).size(), 1u);
    EXPECT_FALSE(instrument.vanished());
    const Bytes read = readRequest();
    for (int i = 0; i < 3; ++i) {
        auto transfer = instrument.transfer(read.data(), read.size());
        EXPECT_EQ(transfer.link, SimulatedInstrument::LinkState::Vanished);
        EXPECT_TRUE(transfer.replies.empty());
    }
    EXPECT_TRUE(instrument.vanished());
    EXPECT_EQ(instrument.statistics().messagesReceived, 3u);
}
