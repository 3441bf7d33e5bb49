// Reading the image back from a simulated instrument whose flash is set up
// directly, so no erase waits are needed.
#include <gtest/gtest.h>

#include "FirmwareUpdate.h"
#include "UpdateTestSupport.h"

namespace {

using Blocks = std::list<std::uint32_t>;

constexpr std::uint8_t kReadRequest = 0x08;
constexpr const char* kVerifyFailed = "Fail to verify, please update again";

class FirmwareUpdateVerify : public ::testing::Test {
protected:
    //! Writes `image` as the data file and puts it into the flash as well.
    void prepare(const std::vector<std::uint8_t>& image)
    {
        dataPath = scratch.writeFile("image.bin", image);
        link.preload(0, ImageAsWords(image));
    }
    void alterFlashWord(std::uint32_t address)
    {
        const std::uint16_t value = link.flash(address, 1)[0];
        link.preload(address, {static_cast<std::uint16_t>(value ^ 0x0100)});
    }
    bool verify(const Blocks& blocks)
    {
        return FirmwareUpdate::VerifyImage(link.port, dataPath, blocks, observer, failure);
    }
    void injectFault(void (*apply)(platform::SimulatedInstrument::Faults&))
    {
        link.backend->withInstrument([apply](platform::SimulatedInstrument& i) { apply(i.faults()); });
    }

    ScratchDirectory scratch;
    SimulatedConnection link;
    CapturingObserver observer;
    FirmwareUpdate::Failure failure = FirmwareUpdate::Failure::None;
    std::string dataPath;
};

TEST_F(FirmwareUpdateVerify, StartsAtTheFirstListedBlockAndRequestsWholeChunks)
{
    prepare(PatternImage(0x820));  // 0x410 words: from 0x400 on one short chunk of 16 words
    alterFlashWord(0x3FF);         // below the first block: not read back

    ASSERT_TRUE(verify({0x400, 0x000})) << ::testing::PrintToString(observer.messages);

    const auto messages = ReceivedMessages(*link.backend);
    EXPECT_EQ(AddressesSet(messages), std::vector<std::uint32_t>{0x400});
    EXPECT_EQ(CountCommand(messages, kReadRequest), 1024u / 16u);  // 1024 words asked for, in 16-word replies
    EXPECT_EQ(observer.captions, std::vector<std::string>{"Verifing..."});
    const std::vector<std::pair<int, int>> ranges{{0, 1}};
    EXPECT_EQ(observer.ranges, ranges);
    EXPECT_EQ(observer.positions, (std::vector<int>{0, 1}));
}

TEST_F(FirmwareUpdateVerify, DifferenceAfterTheFirstBlockFailsAndTellsItsFirstWord)
{
    prepare(PatternImage(0x1820));
    alterFlashWord(0x40F);
    alterFlashWord(0x80F);
    std::uint32_t firstDifference = 0;

    EXPECT_FALSE(FirmwareUpdate::VerifyImage(link.port, dataPath, {0x400}, observer, failure, &firstDifference));

    EXPECT_EQ(observer.messages, std::vector<std::string>{kVerifyFailed});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::Verify);
    EXPECT_EQ(firstDifference, 0x40Fu);
}

TEST_F(FirmwareUpdateVerify, LastWordOfAShortFinalChunkIsCompared)
{
    prepare(PatternImage(5000));  // 2500 words: chunks of 1024, 1024 and 452
    alterFlashWord(2499);

    EXPECT_FALSE(verify({0x000}));

    EXPECT_EQ(observer.messages, std::vector<std::string>{kVerifyFailed});
    EXPECT_EQ(observer.positions, (std::vector<int>{0, 1, 2}));
}

TEST_F(FirmwareUpdateVerify, FlashBeyondTheImageIsNotCompared)
{
    prepare(PatternImage(5000));
    link.preload(2500, {0x1234});  // first word past the image, inside the last requested chunk

    EXPECT_TRUE(verify({0x000}));
    EXPECT_EQ(observer.positions, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(FirmwareUpdateVerify, OddLengthImageComparesItsPadByteAsZero)
{
    prepare({0x11, 0x22, 0x33});
    EXPECT_TRUE(verify({0x000}));

    link.preload(1, {0xFF33});  // the missing high byte must read 0x00
    EXPECT_FALSE(verify({0x000}));
}

TEST_F(FirmwareUpdateVerify, EmptyBlockListComparesTheWholeImage)
{
    prepare(PatternImage(64));
    alterFlashWord(0);

    EXPECT_FALSE(verify({}));

    EXPECT_EQ(observer.messages, std::vector<std::string>{kVerifyFailed});
    EXPECT_EQ(AddressesSet(ReceivedMessages(*link.backend)), std::vector<std::uint32_t>{0});
}

TEST_F(FirmwareUpdateVerify, FirstBlockBeyondTheImageComparesNothing)
{
    prepare(PatternImage(64));

    EXPECT_TRUE(verify({0x10000}));

    EXPECT_TRUE(ReceivedMessages(*link.backend).empty());
    EXPECT_EQ(observer.positions, std::vector<int>{0});
}

TEST_F(FirmwareUpdateVerify, EmptyImageComparesNothing)
{
    prepare({});
    EXPECT_TRUE(verify({0x000}));
    EXPECT_TRUE(ReceivedMessages(*link.backend).empty());
}

TEST_F(FirmwareUpdateVerify, MissingReplyTimesOut)
{
    prepare(PatternImage(64));
    injectFault([](platform::SimulatedInstrument::Faults& f) { f.noReply = true; });

    EXPECT_FALSE(verify({0x000}));

    EXPECT_EQ(observer.messages, std::vector<std::string>{"Wait Time Out!"});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::Link);
}

TEST_F(FirmwareUpdateVerify, ReplyOfWrongLengthIsRejected)
{
    prepare(PatternImage(64));
    injectFault([](platform::SimulatedInstrument::Faults& f) { f.replyLength = 7; });

    EXPECT_FALSE(verify({0x000}));

    EXPECT_EQ(observer.messages, std::vector<std::string>{"Read Data Unexpected!"});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::Link);
}

TEST_F(FirmwareUpdateVerify, BitFlippedWhileWritingIsCaught)
{
    const auto image = PatternImage(300);
    dataPath = scratch.writeFile("image.bin", image);
    injectFault([](platform::SimulatedInstrument::Faults& f) { f.bitFlips = {{0x25, 0x0004}}; });

    ASSERT_TRUE(FirmwareUpdate::WriteImage(link.port, dataPath, {}, observer, failure));
    EXPECT_FALSE(verify({}));

    EXPECT_EQ(observer.messages, std::vector<std::string>{kVerifyFailed});
}

TEST_F(FirmwareUpdateVerify, MissingDataFileNamesCauseAndPath)
{
    dataPath = (scratch.path() / "gone.bin").string();

    EXPECT_FALSE(verify({0x000}));

    EXPECT_EQ(observer.messages, std::vector<std::string>{"No such file in the directory\n" + dataPath});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::DataFile);
    EXPECT_TRUE(ReceivedMessages(*link.backend).empty());
}

TEST_F(FirmwareUpdateVerify, DataFileShorterThanItsAnnouncedLengthIsReported)
{
    dataPath = "/sys/kernel/mm/transparent_hugepage/enabled";
    if (!std::filesystem::exists(dataPath))
        GTEST_SKIP() << "no " << dataPath << " on this machine";

    EXPECT_FALSE(verify({0x000}));

    EXPECT_EQ(observer.messages, std::vector<std::string>{"Fail to read the data file\n" + dataPath});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::DataFile);
}

}  // namespace
