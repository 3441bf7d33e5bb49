// What a backup before an update holds, and reading flash out with the port
// pair's own read operation.
#include <gtest/gtest.h>

#include "FlashReadOut.h"
#include "UpdateTestSupport.h"

namespace {

using Blocks = std::list<std::uint32_t>;

TEST(FlashReadOutSpan, EndsWithTheLastBlockTheImageReaches)
{
    struct Case {
        Blocks blocks;
        std::uint64_t imageWords;
        std::uint64_t words;
        bool endKnown;
    };
    const std::vector<Case> cases{
        {{0, 0x2000, 0x3000}, 0x2800, 0x3000, true},  // ends inside the block at 0x2000
        {{0x3000, 0, 0x2000}, 0x2000, 0x2000, true},  // list order does not matter; 0x2000 is not reached
        {{0, 0x2000}, 0x2800, 0x2800, false},         // the last block's end is not listed
        {{0x400}, 0x200, 0x200, true},                // no listed block reached: the image's own words
        {{}, 0x200, 0x200, true},
        {{0, 0x400}, 0, 0, true},                     // an empty image replaces nothing
    };
    for (const Case& c : cases) {
        const auto span = FlashReadOut::BackupSpanFor(c.blocks, c.imageWords);
        EXPECT_EQ(span.words, c.words) << ::testing::PrintToString(c.blocks) << " " << c.imageWords;
        EXPECT_EQ(span.blockEndKnown, c.endKnown) << ::testing::PrintToString(c.blocks);
    }
    EXPECT_EQ(FlashReadOut::BackupSpanFor({0, 0x2000}, 0x2800).lastBlock, 0x2000u);
}

class FlashReadOutRead : public ::testing::Test {
protected:
    bool read(std::uint32_t address, std::uint64_t words)
    {
        const auto sink = [this](const std::uint8_t* bytes, std::size_t count) {
            received.insert(received.end(), bytes, bytes + count);
            return true;
        };
        return FlashReadOut::ReadFlash(link.port, address, words, "Reading...", observer, sink, failure);
    }

    SimulatedConnection link;
    CapturingObserver observer;
    FirmwareUpdate::Failure failure = FirmwareUpdate::Failure::None;
    std::vector<std::uint8_t> received;
};

TEST_F(FlashReadOutRead, ReadsExactlyTheWordsAskedForInChunks)
{
    const auto image = PatternImage(0x1000);
    link.preload(0, ImageAsWords(image));

    ASSERT_TRUE(read(0x10, 0x500)) << ::testing::PrintToString(observer.messages);

    EXPECT_EQ(received, std::vector<std::uint8_t>(image.begin() + 0x20, image.begin() + 0x20 + 0xA00));
    EXPECT_EQ(AddressesSet(ReceivedMessages(*link.backend)), (std::vector<std::uint32_t>{0x10, 0x410}));
    EXPECT_EQ(observer.captions, std::vector<std::string>{"Reading..."});
    EXPECT_EQ(observer.positions, (std::vector<int>{0, 1, 2}));
}

TEST_F(FlashReadOutRead, ReadFailureShowsThePortsTextAndSinkFailureIsTheCallers)
{
    link.backend->withInstrument([](platform::SimulatedInstrument& i) { i.faults().replyLength = 7; });
    EXPECT_FALSE(read(0, 4));
    EXPECT_EQ(observer.messages, std::vector<std::string>{"Read Data Unexpected!"});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::Link);

    link.backend->withInstrument([](platform::SimulatedInstrument& i) { i.faults().replyLength = 0; });
    const auto refuse = [](const std::uint8_t*, std::size_t) { return false; };
    EXPECT_FALSE(FlashReadOut::ReadFlash(link.port, 0, 4, "Reading...", observer, refuse, failure));
    EXPECT_EQ(failure, FirmwareUpdate::Failure::DataFile);
    EXPECT_EQ(observer.messages.size(), 1u);
}

}  // namespace
