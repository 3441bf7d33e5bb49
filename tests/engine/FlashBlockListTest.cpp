// Loading a product's flash block list and the address rules built on it.
#include <gtest/gtest.h>

#include "FirmwareUpdate.h"
#include "UpdateTestSupport.h"

namespace {

using Blocks = std::list<std::uint32_t>;

constexpr const char* kBadLine = "Fail to get flash block info";

class FlashBlockList : public ::testing::Test {
protected:
    bool load(const std::string& text)
    {
        path = scratch.writeText("config/Product.cfg", text);
        return FirmwareUpdate::LoadFlashBlocks(path, blocks, observer);
    }

    ScratchDirectory scratch;
    CapturingObserver observer;
    Blocks blocks{0xDEAD};  // whatever a previous run left
    std::string path;
};

TEST_F(FlashBlockList, LinesBecomeAddressesInFileOrder)
{
    ASSERT_TRUE(load("0\n1000\n2400\n"));
    EXPECT_EQ(blocks, (Blocks{0x0, 0x1000, 0x2400}));
    EXPECT_TRUE(observer.messages.empty());
}

TEST_F(FlashBlockList, LineFormsTheFirmwareFilesUse)
{
    ASSERT_TRUE(load("  0x8000\r\n\n1A00 boot sector\r\n18000"));
    EXPECT_EQ(blocks, (Blocks{0x8000, 0x0, 0x1A00, 0x18000}));
}

TEST_F(FlashBlockList, ByteOrderMarkIsSkippedAndEveryLineEndCounts)
{
    const std::pair<std::string, Blocks> cases[] = {
        {"\xEF\xBB\xBF" "400\n800\n", {0x400, 0x800}},
        {"400\r800\rC00", {0x400, 0x800, 0xC00}},
        {"400\r\n\r800\n\n", {0x400, 0x0, 0x800, 0x0}},
        {"\xEF\xBB\xBF" "no digits\r", {0x0}},
        {"\xEF\xBB\xBF", {}},
        {"\xEF\xBB" "400", {0x0}},  // not a mark: the line has no leading digits
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_TRUE(load(text)) << ::testing::PrintToString(text);
        EXPECT_EQ(blocks, expected) << ::testing::PrintToString(text);
    }
}

TEST_F(FlashBlockList, EmptyFileIsAnEmptyList)
{
    ASSERT_TRUE(load(""));
    EXPECT_TRUE(blocks.empty());
}

TEST_F(FlashBlockList, AllOnesStopsTheLoadKeepingEarlierEntries)
{
    EXPECT_FALSE(load("0\n2000\nFFFFFFFF\n3000\n"));
    EXPECT_EQ(observer.messages, std::vector<std::string>{kBadLine});
    EXPECT_EQ(blocks, (Blocks{0x0, 0x2000}));
}

TEST_F(FlashBlockList, AddressBeyondThirtyTwoBitsStopsTheLoad)
{
    EXPECT_FALSE(load("100000000\n"));
    EXPECT_EQ(observer.messages, std::vector<std::string>{kBadLine});
    EXPECT_TRUE(blocks.empty());
}

TEST_F(FlashBlockList, MissingFileShowsCauseAndFullPath)
{
    path = (scratch.path() / "config" / "Nothing.cfg").string();
    std::filesystem::create_directories(scratch.path() / "config");

    EXPECT_FALSE(FirmwareUpdate::LoadFlashBlocks(path, blocks, observer));

    EXPECT_EQ(observer.messages, std::vector<std::string>{"No such file in the directory\n" + path});
    EXPECT_TRUE(blocks.empty());
}

TEST_F(FlashBlockList, MissingDirectoryShowsItsOwnCause)
{
    path = (scratch.path() / "no-config" / "Product.cfg").string();
    EXPECT_FALSE(FirmwareUpdate::LoadFlashBlocks(path, blocks, observer));
    EXPECT_EQ(observer.messages, std::vector<std::string>{"No such directory\n" + path});
}

TEST_F(FlashBlockList, ReadBackLengthNeverWrapsBelowZero)
{
    EXPECT_EQ(FirmwareUpdate::VerifyWordCount(0x410, 0x400), 0x10u);
    EXPECT_EQ(FirmwareUpdate::VerifyWordCount(0x400, 0x400), 0u);
    EXPECT_EQ(FirmwareUpdate::VerifyWordCount(0x20, 0xFFFFFFFE), 0u);
    EXPECT_EQ(FirmwareUpdate::ImageWords(2049), 1025u);
}

}  // namespace
