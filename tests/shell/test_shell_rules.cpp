// The pure rules of the window: its templates and dialog-unit maths, and the
// product, device and file-filter rules behind its lists.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "DialogTemplate.h"
#include "SelectionRules.h"

namespace {

using DialogTemplate::Rect;

class DialogTemplateTest : public ::testing::Test {};


TEST_F(DialogTemplateTest, MainControlsAreTwoPixelsPerUnitWithCombosClosed)
{
    const auto& t = DialogTemplate::MainDialog();
    EXPECT_EQ(DialogTemplate::MainControlRect(*t.find(1011)), (Rect{152, 328, 380, 28}));
    EXPECT_EQ(DialogTemplate::MainControlRect(*t.find(1017)), (Rect{258, 422, 104, 40}));
    // 1003's template height (86) is its dropped list, not its closed box.
    EXPECT_EQ(DialogTemplate::MainControlRect(*t.find(1003)), (Rect{228, 188, 306, DialogTemplate::kClosedComboHeight}));
}

TEST_F(DialogTemplateTest, MainWindowIsTrimmedToTheSkin)
{
    // 314 x 268 units would be 628 x 536 pixels; the skin is one pixel smaller each way.
    EXPECT_EQ(DialogTemplate::MainWindowRect(), (Rect{0, 0, 627, 535}));
}

TEST_F(DialogTemplateTest, MapDialogRectRoundsEachEdge)
{
    // A 6 x 12 pixel font: 1.5 pixels per unit each way.
    EXPECT_EQ(DialogTemplate::MapDialogRect({178, 7, 50, 14}, 6, 12), (Rect{267, 11, 75, 21}));
    EXPECT_EQ(DialogTemplate::MapDialogRect({0, 0, 235, 55}, 6, 12), (Rect{0, 0, 353, 83}));
    // Edges are mapped, not sizes: an odd start keeps the right edge where it belongs.
    EXPECT_EQ(DialogTemplate::MapDialogRect({1, 1, 1, 1}, 6, 12), (Rect{2, 2, 1, 1}));
}

TEST_F(DialogTemplateTest, BaseUnitIsTheRoundedAverageLetterWidth)
{
    EXPECT_EQ(DialogTemplate::BaseUnitX(52 * 6), 6);
    EXPECT_EQ(DialogTemplate::BaseUnitX(52 * 6 + 25), 6);  // 6.48 -> 6
    EXPECT_EQ(DialogTemplate::BaseUnitX(52 * 6 + 26), 7);  // 6.5 -> 7
}


class SelectionRulesTest : public ::testing::Test {};

TEST_F(SelectionRulesTest, LastUsbDeviceWinsElseTheFirstElseNone)
{
    using SelectionRules::PreferredDeviceIndex;
    EXPECT_EQ(PreferredDeviceIndex({"Port A", "USB MIDI Out", "usb midi 2"}), 2);
    EXPECT_EQ(PreferredDeviceIndex({"UsB one", "Port", "Other"}), 0);
    EXPECT_EQ(PreferredDeviceIndex({"Port A", "Port B"}), 0);
    EXPECT_EQ(PreferredDeviceIndex({"Port A", "hubusbx port"}), 1) << "'usb' inside a word counts too";
    EXPECT_EQ(PreferredDeviceIndex({}), -1);
}


TEST_F(SelectionRulesTest, FilterSplitsIntoLabelledChoices)
{
    const auto choices = SelectionRules::ParseFilter("Data files(*.bin)|*.BIN|All files(*.*)|*.*||");
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].label, "Data files(*.bin)");
    EXPECT_EQ(choices[0].patterns, std::vector<std::string>{"*.BIN"});
    EXPECT_EQ(choices[1].label, "All files(*.*)");
    EXPECT_EQ(choices[1].patterns, std::vector<std::string>{"*.*"});
    const auto several = SelectionRules::ParseFilter("Images|*.bin;*.hex||");
    ASSERT_EQ(several.size(), 1u);
    EXPECT_EQ(several[0].patterns, (std::vector<std::string>{"*.bin", "*.hex"}));
    EXPECT_TRUE(SelectionRules::ParseFilter("").empty());
    EXPECT_TRUE(SelectionRules::ParseFilter("label without patterns").empty());
}

TEST_F(SelectionRulesTest, DialogPatternsIgnoreCaseAndAllFilesMeansEveryFile)
{
    EXPECT_EQ(SelectionRules::DialogPattern("*.BIN"), "*.[bB][iI][nN]");
    EXPECT_EQ(SelectionRules::DialogPattern("*.*"), "*");
    EXPECT_EQ(SelectionRules::DialogPattern("fw_1?.b*"), "[fF][wW]_1?.[bB]*");
}

class HelpPageTest : public ::testing::Test {};

TEST_F(HelpPageTest, ExplainsEveryMessageOfTheProgram)
{
    std::ifstream in(VANTREL_HELP_PAGE);
    ASSERT_TRUE(in) << VANTREL_HELP_PAGE;
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* message :
         {"Update successful !", "The program is current running!", "Please wait till the update finish",
          "Device config list is empty, please setup the softeware again", "Please set the device type info",
          "MIDI out device list is empty", "MIDI in device list is empty", "Please select a MIDI out device",
          "Please select a MIDI in device", "Please select the data file path", "No such file in the directory",
          "Fail to get flash block info", "Fail to open MIDI out device", "Fail to open MIDI in device",
          "Wait Time Out!", "Read Data Unexpected!", "Fail to erase flash, please try again !",
          "Fail to verify, please update again"})
        EXPECT_NE(page.find(message), std::string::npos) << message;
}

}  // namespace
