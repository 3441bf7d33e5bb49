#pragma once
// Where the main window's controls stand on the skin, in skin pixels: the
// dialog template's positions at 2 pixels per dialog unit in both directions
// (template 314 x 268 units = the 627 x 535 skin). The painted headings and
// labels are placed from these, and the preview puts mock controls here.
#include <QRect>

namespace artwork::layout {

constexpr QSize kSkinSize(627, 535);

// Controls the user sees (combo boxes with their closed height).
constexpr QRect kMinimize(570, 12, 24, 18);
constexpr QRect kClose(594, 12, 24, 18);
constexpr QRect kProductCombo(228, 100, 306, 24);
constexpr QRect kMidiInCombo(228, 188, 306, 24);
constexpr QRect kMidiOutCombo(228, 228, 306, 24);
constexpr QRect kDataPath(152, 328, 380, 28);
constexpr QRect kBrowse(544, 330, 26, 22);
constexpr QRect kUpdatePicture(258, 422, 104, 40);
constexpr QRect kVerify(386, 432, 24, 28);
constexpr QRect kProgress(48, 432, 542, 28);  // shown in place of Update and Verify during a run

// Hidden template labels: the painted labels start here, centred on their control.
constexpr int kLabelLeft = 60;

// Hidden step group boxes: the painted step headings go here.
constexpr QRect kStep1Box(14, 48, 584, 18);
constexpr QRect kStep2Box(30, 150, 584, 18);
constexpr QRect kStep3Box(30, 284, 584, 24);
constexpr QRect kStep4Box(30, 406, 584, 96);

// Sizes of the picture resources.
constexpr QSize kUpdatePictureSize(88, 40);
constexpr QSize kCheckBoxSize(20, 19);
constexpr QSize kSmallGlyphSize(9, 9);
constexpr QSize kFolderSize(16, 16);
constexpr QSize kHelpSize(16, 15);
constexpr QSize kChevronSize(16, 16);
constexpr int kCursorSide = 32;

}  // namespace artwork::layout
