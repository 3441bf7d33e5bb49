// Erasing and writing an image into a simulated instrument. Every erase costs
// 700 ms of fixed waits by design, so the images stay small.
#include <gtest/gtest.h>

#include <fstream>

#include "FirmwareUpdate.h"
#include "SystemFiles.h"
#include "UpdateTestSupport.h"

namespace {

using Blocks = std::list<std::uint32_t>;
using Messages = std::vector<std::vector<std::uint8_t>>;

constexpr std::uint8_t kReadRequest = 0x08;
constexpr std::uint8_t kBusWrite = 0x09;
constexpr std::uint8_t kWriteWords = 0x0A;

class FirmwareUpdateWrite : public ::testing::Test {
protected:
    bool write(const std::vector<std::uint8_t>& image, const Blocks& blocks)
    {
        dataPath = scratch.writeFile("image.bin", image);
        return FirmwareUpdate::WriteImage(link.port, dataPath, blocks, observer, failure);
    }
    bool writeAndVerify(const std::vector<std::uint8_t>& image, const Blocks& blocks)
    {
        return write(image, blocks) && FirmwareUpdate::VerifyImage(link.port, dataPath, blocks, observer, failure);
    }
    Messages sent() { return ReceivedMessages(*link.backend); }
    //! Fills the flash with programmed zeros, so a chunk written without its erase reads back wrong.
    void dirtyFlash(std::size_t words) { link.preload(0, std::vector<std::uint16_t>(words, 0x0000)); }

    // Both steps refuse `path` as invalid before a single message goes out.
    void expectWriteAndVerifyRefuse(const std::string& path)
    {
        EXPECT_FALSE(FirmwareUpdate::WriteImage(link.port, path, {0}, observer, failure));
        EXPECT_FALSE(FirmwareUpdate::VerifyImage(link.port, path, {0}, observer, failure));
        const std::string refused = "The file is invalid\n" + path;
        EXPECT_EQ(observer.messages, (std::vector<std::string>{refused, refused}));
        EXPECT_EQ(failure, FirmwareUpdate::Failure::DataFile);
        EXPECT_TRUE(sent().empty());
    }

    ScratchDirectory scratch;
    SimulatedConnection link;
    CapturingObserver observer;
    FirmwareUpdate::Failure failure = FirmwareUpdate::Failure::None;
    std::string dataPath;
};

TEST_F(FirmwareUpdateWrite, CompleteUpdateWithVerifyLeavesTheImageInFlash)
{
    const auto image = PatternImage(5000);  // 2500 words: chunks of 1024, 1024 and 452
    dirtyFlash(0xC00);

    ASSERT_TRUE(writeAndVerify(image, {0x000, 0x400, 0x800})) << ::testing::PrintToString(observer.messages);

    EXPECT_EQ(link.flash(0, 2500), ImageAsWords(image));
    EXPECT_EQ(link.statistics().sectorsErased, 3u);
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(failure, FirmwareUpdate::Failure::None);
    const std::vector<std::string> captions{"Updating...", "Verifing..."};
    EXPECT_EQ(observer.captions, captions);
    const std::vector<std::pair<int, int>> ranges{{0, 2}, {0, 2}};
    EXPECT_EQ(observer.ranges, ranges);
    const std::vector<int> positions{0, 1, 2, 3, 0, 1, 2, 3};
    EXPECT_EQ(observer.positions, positions);
}

TEST_F(FirmwareUpdateWrite, WithoutVerifyOnlyTheErasePollsRead)
{
    link.backend->withInstrument([](platform::SimulatedInstrument& i) { i.faults().busyReadsAfterErase = 3; });
    const auto image = PatternImage(3000);
    dirtyFlash(0x800);

    ASSERT_TRUE(write(image, {0x000}));

    // The block reads busy three times, then erased: four polls, one address pair each.
    const Messages messages = sent();
    EXPECT_EQ(CountCommand(messages, kReadRequest), 4u);
    EXPECT_EQ(CountCommand(messages, kBusWrite), 6u);
    EXPECT_EQ(CountCommand(messages, kWriteWords), 2u);
    const auto words = ImageAsWords(image);
    EXPECT_EQ(link.flash(0, 1024), std::vector<std::uint16_t>(words.begin(), words.begin() + 1024));
    // The second chunk at 0x400 is not a listed block: it is written over the dirty flash.
    EXPECT_EQ(link.statistics().sectorsErased, 1u);
    EXPECT_EQ(link.flash(1024, 476), std::vector<std::uint16_t>(476, 0x0000));
}

TEST_F(FirmwareUpdateWrite, FirstErasePollReadingErasedCostsOneRead)
{
    ASSERT_TRUE(write(PatternImage(8), {0x000}));
    EXPECT_EQ(CountCommand(sent(), kReadRequest), 1u);
}

TEST_F(FirmwareUpdateWrite, EmptyFileErasesAndWritesNothing)
{
    ASSERT_TRUE(write({}, {0x000}));

    EXPECT_TRUE(sent().empty());
    const std::vector<std::pair<int, int>> ranges{{0, 0}};
    EXPECT_EQ(observer.ranges, ranges);
    EXPECT_EQ(observer.positions, std::vector<int>{0});
}

TEST_F(FirmwareUpdateWrite, OddLengthFileCompletesTheLastWordWithZero)
{
    ASSERT_TRUE(write({0xAB}, {}));

    const Messages messages = sent();
    ASSERT_EQ(CountCommand(messages, kWriteWords), 1u);
    EXPECT_EQ(messages.back().size(), 9u);  // one word: 4 nibbles in the frame
    EXPECT_EQ(link.flash(0, 1), std::vector<std::uint16_t>{0x00AB});
}

TEST_F(FirmwareUpdateWrite, OddLengthImageOfSeveralChunksPadsOnlyTheLastWord)
{
    // The buffer still holds the previous chunk when the short last one is read.
    const auto image = PatternImage(2 * 2048 + 3);  // chunks of 1024, 1024 and 2 words
    ASSERT_TRUE(write(image, {}));

    const std::vector<std::uint8_t> lastChunk{0xF0, 0x7E, 0x08, 0x0A, 0x01, 0x07, 0x01, 0x00,
                                              0x00, 0x00, 0x01, 0x0E, 0xF7};  // 0x1710, then 0x001E
    EXPECT_EQ(sent().back(), lastChunk);
    EXPECT_EQ(link.flash(0, 2050), ImageAsWords(image));
}

TEST_F(FirmwareUpdateWrite, ErasePollsFollowTheSettlingWaitTenMillisecondsApart)
{
    link.backend->withInstrument([](platform::SimulatedInstrument& i) { i.faults().busyReadsAfterErase = 3; });
    std::vector<std::pair<int, std::size_t>> waits;  // each wait with the polls made before it
    observer.onWait = [&](int ms) { waits.emplace_back(ms, link.statistics().readRequests); };

    ASSERT_TRUE(write(PatternImage(8), {0x000}));

    const std::vector<std::pair<int, std::size_t>> expected{{100, 0}, {10, 1}, {10, 2}, {10, 3}};
    EXPECT_EQ(waits, expected);
    EXPECT_EQ(link.statistics().readRequests, 4u);
}

TEST_F(FirmwareUpdateWrite, ExactlyOneChunkEndsAtTheUpperBound)
{
    ASSERT_TRUE(write(PatternImage(2048), {}));

    const Messages messages = sent();
    ASSERT_EQ(CountCommand(messages, kWriteWords), 1u);
    EXPECT_EQ(messages.back().size(), 4101u);
    const std::vector<std::pair<int, int>> ranges{{0, 1}};
    EXPECT_EQ(observer.ranges, ranges);
    EXPECT_EQ(observer.positions, (std::vector<int>{0, 1}));
}

TEST_F(FirmwareUpdateWrite, OneWordPastAChunkSendsASecondShortChunk)
{
    const auto image = PatternImage(2050);
    ASSERT_TRUE(write(image, {}));

    const Messages messages = sent();
    ASSERT_EQ(CountCommand(messages, kWriteWords), 2u);
    EXPECT_EQ(messages[2].size(), 4101u);
    EXPECT_EQ(messages[5].size(), 9u);
    EXPECT_EQ(AddressesSet(messages), (std::vector<std::uint32_t>{0x000, 0x400}));
    const std::vector<std::pair<int, int>> ranges{{0, 1}};
    EXPECT_EQ(observer.ranges, ranges);
    EXPECT_EQ(observer.positions, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(link.flash(0, 1025), ImageAsWords(image));
}

TEST_F(FirmwareUpdateWrite, BlocksOffChunkStartsOrBeyondTheImageAreNeverErased)
{
    ASSERT_TRUE(write(PatternImage(4096), {0x200, 0x7FF, 0x800, 0xC00, 0x10000, 0xFFFFFC00}));
    EXPECT_EQ(CountCommand(sent(), kBusWrite), 0u);
    EXPECT_EQ(CountCommand(sent(), kReadRequest), 0u);
}

TEST_F(FirmwareUpdateWrite, AddressListedTwiceIsErasedOnce)
{
    ASSERT_TRUE(write(PatternImage(4096), {0x400, 0x400}));
    EXPECT_EQ(link.statistics().eraseCommands, 1u);
    EXPECT_EQ(CountCommand(sent(), kBusWrite), 6u);
}

TEST_F(FirmwareUpdateWrite, EmptyBlockListErasesNothing)
{
    const auto image = PatternImage(64);
    dirtyFlash(0x400);

    ASSERT_TRUE(write(image, {}));

    EXPECT_EQ(CountCommand(sent(), kBusWrite), 0u);
    EXPECT_NE(link.flash(0, 32), ImageAsWords(image));  // written over programmed zeros
}

TEST_F(FirmwareUpdateWrite, BlockThatNeverErasesFailsAfterExactlyEightyReads)
{
    link.backend->withInstrument([](platform::SimulatedInstrument& i) { i.faults().stuckSectors = {0x400}; });
    dirtyFlash(0x800);

    EXPECT_FALSE(write(PatternImage(4096), {0x400}));

    EXPECT_EQ(observer.messages, std::vector<std::string>{"Fail to erase flash, please try again !"});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::Erase);
    const Messages messages = sent();
    EXPECT_EQ(CountCommand(messages, kReadRequest), std::size_t(FirmwareUpdate::kErasePollLimit));
    EXPECT_EQ(CountCommand(messages, kWriteWords), 1u);  // only the chunk before the stuck block
}

TEST_F(FirmwareUpdateWrite, MissingReplyToAnErasePollEndsTheRun)
{
    link.backend->withInstrument([](platform::SimulatedInstrument& i) { i.faults().noReply = true; });

    EXPECT_FALSE(write(PatternImage(16), {0x000}));

    EXPECT_EQ(observer.messages, std::vector<std::string>{"Wait Time Out!"});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::Link);
    EXPECT_EQ(CountCommand(sent(), kWriteWords), 0u);
}

TEST_F(FirmwareUpdateWrite, SendErrorIsShownWithTheDriverText)
{
    // Chunk one goes through (address pair + data), the address of chunk two fails.
    link.backend->withInstrument([](platform::SimulatedInstrument& i) {
        i.faults().sendErrorAfter = i.statistics().messagesOffered + 3;
    });

    EXPECT_FALSE(write(PatternImage(4096), {}));

    const std::string driverText = "Simulated instrument: the message could not be sent (injected send error)";
    EXPECT_EQ(observer.messages, std::vector<std::string>{driverText});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::Link);
    EXPECT_EQ(observer.positions, (std::vector<int>{0, 1}));
}

TEST_F(FirmwareUpdateWrite, MissingDataFileNamesCauseAndPath)
{
    const std::string path = (scratch.path() / "absent.bin").string();

    EXPECT_FALSE(FirmwareUpdate::WriteImage(link.port, path, {0}, observer, failure));

    EXPECT_EQ(observer.messages, std::vector<std::string>{"No such file in the directory\n" + path});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::DataFile);
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(observer.ranges.empty());
}

TEST_F(FirmwareUpdateWrite, DataFileShorterThanItsAnnouncedLengthIsReportedNotSent)
{
    // Kernel attribute files announce a page but hold a few bytes: a read
    // that comes back short of the length taken at the start.
    const std::string path = "/sys/kernel/mm/transparent_hugepage/enabled";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no " << path << " on this machine";

    EXPECT_FALSE(FirmwareUpdate::WriteImage(link.port, path, {}, observer, failure));

    EXPECT_EQ(observer.messages, std::vector<std::string>{"Fail to read the data file\n" + path});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::DataFile);
    EXPECT_EQ(CountCommand(sent(), kWriteWords), 0u);
}

TEST_F(FirmwareUpdateWrite, DataFileRewrittenDuringTheRunStopsItBeforeTheNextChunk)
{
    // After the first chunk the file is rewritten longer in place: every read
    // would still succeed, so only its changed length tells.
    class Rewriter : public CapturingObserver {
    public:
        std::string path;
        bool rewritten = false;
        void SetPos(int pos) override
        {
            CapturingObserver::SetPos(pos);
            if (pos == 1) {
                std::ofstream file(path, std::ios::binary | std::ios::app);
                rewritten = static_cast<bool>(file << std::string(100, 'x'));
            }
        }
    } rewriter;
    dataPath = scratch.writeFile("image.bin", PatternImage(5000));
    rewriter.path = dataPath;

    const bool ok = FirmwareUpdate::WriteImage(link.port, dataPath, {}, rewriter, failure);
    if (!rewriter.rewritten) {
        // Windows: the run holds the data file unshared, so the rewrite is refused and the run goes on.
        EXPECT_TRUE(ok);
        return;
    }
    EXPECT_FALSE(ok);

    EXPECT_EQ(rewriter.messages, std::vector<std::string>{"Fail to read the data file\n" + dataPath});
    EXPECT_EQ(failure, FirmwareUpdate::Failure::DataFile);
    EXPECT_EQ(CountCommand(sent(), kWriteWords), 1u);
}

TEST_F(FirmwareUpdateWrite, DeviceGivenAsDataFileIsRefusedNotWrittenAsAnEmptyImage)
{
    const std::string path = testsupport::NullDevicePath();

    expectWriteAndVerifyRefuse(path);
}

TEST_F(FirmwareUpdateWrite, ImageBeyondTheWordAddressRangeIsRefused)
{
    // Sparse: 8 GiB and two bytes, one word more than 32-bit addresses reach.
    const std::string path = scratch.writeFile("huge.bin", {});
    std::filesystem::resize_file(path, (std::uintmax_t{1} << 33) + 2);

    expectWriteAndVerifyRefuse(path);
}

}  // namespace
