#include "DialogTemplate.h"

#include <algorithm>

namespace DialogTemplate {
namespace {

Item MakeItem(int id, ItemKind kind, std::string text, Rect units, bool visible, bool tabStop)
{
    Item item;
    item.id = id;
    item.kind = kind;
    item.text = std::move(text);
    item.units = units;
    item.visible = visible;
    item.tabStop = tabStop;
    return item;
}

Template BuildMainDialog()
{
    using K = ItemKind;
    Template t;
    t.id = 102;
    t.width = 314;
    t.height = 268;
    t.fontFace = "Arial";
    t.fontPoints = 10;
    t.fontWeight = 700;
    t.items = {
        MakeItem(1000, K::PushButton, "", {285, 6, 12, 9}, true, true),
        MakeItem(1001, K::PushButton, "", {297, 6, 12, 9}, true, true),
        MakeItem(1002, K::ComboBox, "", {114, 114, 153, 102}, true, true),
        MakeItem(1003, K::ComboBox, "", {114, 94, 153, 86}, true, true),
        MakeItem(-1, K::StaticText, "MIDI In Device", {30, 96, 57, 8}, false, false),
        MakeItem(-1, K::StaticText, "MIDI Out Device", {30, 116, 61, 8}, false, false),
        MakeItem(1007, K::Progress, "", {24, 216, 271, 14}, false, false),
        MakeItem(1008, K::GroupBox, "Step 1 : Select Product", {7, 24, 292, 9}, false, false),
        MakeItem(1009, K::GroupBox, "Step 3 : Select Data File", {15, 142, 292, 12}, false, false),
        MakeItem(1010, K::GroupBox, "Step 4 : Update", {15, 203, 292, 48}, false, false),
        MakeItem(1011, K::Edit, "", {76, 164, 190, 14}, true, true),
        MakeItem(1012, K::PushButton, "", {272, 165, 13, 11}, true, true),
        MakeItem(-1, K::StaticText, "Data Path", {30, 168, 37, 8}, false, false),
        MakeItem(1013, K::CheckBox, "", {193, 216, 12, 14}, true, true),
        MakeItem(1015, K::PushButton, "", {273, 4, 12, 9}, false, true),
        MakeItem(-1, K::StaticText, "Product type", {30, 46, 39, 8}, false, false),
        MakeItem(1004, K::ComboBox, "", {114, 50, 153, 102}, true, true),
        MakeItem(1016, K::GroupBox, "Step 2 : Select MIDI Device", {15, 75, 292, 9}, false, false),
        MakeItem(1017, K::StaticPicture, "", {129, 211, 52, 20}, true, false),
    };
    for (Item& item : t.items) {
        if (item.id == 1004)
            item.sorted = true;
        if (item.id == 1017)
            item.resource = 150;
    }
    return t;
}

Template BuildAboutDialog()
{
    using K = ItemKind;
    Template t;
    t.id = 100;
    t.title = "关于 Vantrel";
    t.width = 235;
    t.height = 55;
    t.fontFace = "宋体";
    t.fontPoints = 9;
    t.items = {
        MakeItem(-1, K::StaticIcon, "", {11, 17, 20, 20}, true, false),
        MakeItem(-1, K::StaticText, "Vantrel 1.0 版", {40, 10, 119, 8}, true, false),
        MakeItem(-1, K::StaticText, "Copyright (C) 2026 Vantrel", {40, 25, 119, 8}, true,
                 false),
        MakeItem(1, K::DefPushButton, "确定", {178, 7, 50, 14}, true, true),
    };
    t.items[0].resource = 128;
    return t;
}

int RoundedMulDiv(int value, int numerator, int denominator)
{
    // Rounds half away from zero, as the system's MulDiv does.
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace

const Item* Template::find(int wanted) const
{
    if (wanted == -1)
        return nullptr;
    const auto it = std::find_if(items.begin(), items.end(), [wanted](const Item& item) { return item.id == wanted; });
    return it == items.end() ? nullptr : &*it;
}

const Template& MainDialog()
{
    static const Template t = BuildMainDialog();
    return t;
}

const Template& AboutDialog()
{
    static const Template t = BuildAboutDialog();
    return t;
}

Rect MapDialogRect(const Rect& units, int baseUnitX, int baseUnitY)
{
    const int left = RoundedMulDiv(units.x, baseUnitX, 4);
    const int top = RoundedMulDiv(units.y, baseUnitY, 8);
    const int right = RoundedMulDiv(units.x + units.width, baseUnitX, 4);
    const int bottom = RoundedMulDiv(units.y + units.height, baseUnitY, 8);
    return {left, top, right - left, bottom - top};
}

int BaseUnitX(int advanceOfLetters) { return (advanceOfLetters / 26 + 1) / 2; }

Rect MainControlRect(const Item& item)
{
    const int s = kMainPixelsPerUnit;
    Rect r{item.units.x * s, item.units.y * s, item.units.width * s, item.units.height * s};
    if (item.kind == ItemKind::ComboBox)
        r.height = kClosedComboHeight;
    return r;
}

int MainDroppedHeight(const Item& item)
{
    if (item.kind != ItemKind::ComboBox)
        return 0;
    return item.units.height * kMainPixelsPerUnit - kClosedComboHeight;
}

Rect MainWindowRect()
{
    const Template& t = MainDialog();
    // The skin is one pixel short of the dialog in each direction; a window
    // cut to the skin leaves no undefined pixels at the right and bottom.
    return {0, 0, std::min(t.width * kMainPixelsPerUnit, kSkinWidth), std::min(t.height * kMainPixelsPerUnit, kSkinHeight)};
}

}  // namespace DialogTemplate
