#pragma once
// The two dialog templates of the program as data, and the dialog-unit maths
// that turns their positions into pixels. No widgets here: the windows build
// themselves from these tables.
#include <cstdint>
#include <string>
#include <vector>

namespace DialogTemplate {

//! What kind of control a template item creates.
enum class ItemKind { PushButton, DefPushButton, CheckBox, ComboBox, StaticText, StaticIcon, StaticPicture, GroupBox, Edit, Progress };

//! A rectangle in dialog units or in pixels.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

//! One control of a template, in template (= tab) order.
struct Item {
    int id = -1;                 //!< control id; -1 for the unnamed statics
    ItemKind kind = ItemKind::StaticText;
    std::string text;            //!< caption as stored in the template (UTF-8)
    Rect units;                  //!< position in dialog units; combo heights include the dropped list
    bool visible = true;         //!< shown when the dialog starts
    bool tabStop = false;
    bool sorted = false;         //!< combo boxes only
    int resource = 0;            //!< bitmap or icon shown by a picture or icon static
};

//! A whole dialog template.
struct Template {
    int id = 0;
    std::string title;
    int width = 0;               //!< dialog units
    int height = 0;
    std::string fontFace;
    int fontPoints = 0;
    int fontWeight = 400;
    std::vector<Item> items;

    //! The item with control id `id`; nullptr when there is none (or for -1).
    const Item* find(int id) const;
};

//! Main window template 102.
const Template& MainDialog();
//! About box template 100.
const Template& AboutDialog();

//! Pixels per dialog unit of the main window, in both directions: the skin was
//! drawn for exactly this scale.
constexpr int kMainPixelsPerUnit = 2;
//! Height in pixels of a closed combo box of the main window (the template's
//! height is that of the opened list).
constexpr int kClosedComboHeight = 24;

//! Converts a dialog-unit rectangle with the dialog base units of a font, as
//! the dialog manager does: x * baseX / 4 and y * baseY / 8, rounded to nearest.
Rect MapDialogRect(const Rect& units, int baseUnitX, int baseUnitY);

//! Horizontal base unit of a font: the average width of the 52 Latin letters,
//! rounded to nearest, from the total advance of "A..Za..z".
int BaseUnitX(int advanceOfLetters);

//! Pixel rectangle of a main-window control: 2 pixels per unit, closed combo
//! boxes at their closed height.
Rect MainControlRect(const Item& item);

//! Height in pixels of a main-window combo box's dropped list: the template's
//! height less the closed box; 0 for other controls.
int MainDroppedHeight(const Item& item);

//! Size in pixels of the skin picture (bitmap 149) that covers the main window.
constexpr int kSkinWidth = 627;
constexpr int kSkinHeight = 535;

//! Pixel size of the main window: the dialog's size at 2 pixels per unit,
//! trimmed to the skin that covers it.
Rect MainWindowRect();

}  // namespace DialogTemplate
