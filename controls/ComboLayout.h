#pragma once
// Pure layout and colour maths of the skinned combo box: the drop-down button
// area, the owner-drawn list's row bands and its 64-band gradient, and the
// completion decision. No drawing or widgets here.
#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

#include "ColorTypes.h"

//! Rows per colour group of the owner-drawn list.
inline constexpr int kItemBandRows = 12;
//! Number of vertical bands of FillGradient.
inline constexpr int kGradientBands = 64;

//! The drop-down button area of a box whose client rectangle is `client`,
//! for a small-icon width `smallIconWidth` (17 pixels wide with the usual 16).
QRect DropDownButtonArea(const QRect& client, int smallIconWidth);

//! Where a bitmap of `bitmapSize` sits in `area`: centred, never left of or above it.
QPoint DropDownBitmapOffset(const QSize& area, const QSize& bitmapSize);

//! Whole rows of `rowHeight` that fit a dropped list `droppedHeight` high, of
//! which `frames` go to its frames; at least one.
int DroppedListRows(int droppedHeight, int frames, int rowHeight);

//! The shading of list row `item`: highlight colour in every second group of twelve, else white.
ColorRef ItemBandColor(int item);

//! One vertical band of a horizontal gradient: x from `left` (inclusive) to `right` (exclusive).
struct GradientBand {
    int left = 0;
    int right = 0;
    ColorRef color{};
};

//! Bands filling `rect` from `c1` (left) to `c2` (right): one band when the colours
//! are equal, otherwise up to 64 with empty ones left out.
std::vector<GradientBand> GradientBands(const QRect& rect, ColorRef c1, ColorRef c2);

//! An edit selection: start and end positions (equal for a bare caret).
struct EditSelection {
    int start = 0;
    int end = 0;
};

//! What completing the typed text does to the box.
struct CompletionResult {
    int item = -1;             //!< the selected list entry, -1 when none matches
    QString text;              //!< edit text afterwards
    EditSelection selection;   //!< edit selection afterwards
};

//! Completes `typed` (selection `sel`) against `items`: the first entry starting
//! with it, ignoring case, is chosen and the completed remainder selected, unless
//! the caret was inside the typed text, where it stays. Nothing is decided for empty text.
CompletionResult CompleteEditText(const QString& typed, EditSelection sel, const QStringList& items);
