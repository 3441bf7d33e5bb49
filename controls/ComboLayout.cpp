#include "ComboLayout.h"

#include <algorithm>

namespace {

int bandChannel(int a, int b, int k)
{
    return (a * (kGradientBands - k) + b * k) / kGradientBands;
}

}  // namespace

QRect DropDownButtonArea(const QRect& client, int smallIconWidth)
{
    // Right and bottom are exclusive edges here, as the box's frame maths was written.
    const int right = client.x() + client.width();
    const int bottom = client.y() + client.height();
    const int left = right - smallIconWidth - 3;
    const int top = client.y() + 2;
    return QRect(left, top, (right - 2) - left, (bottom - 2) - top);
}

QPoint DropDownBitmapOffset(const QSize& area, const QSize& bitmapSize)
{
    return QPoint(std::max(0, (area.width() - bitmapSize.width()) / 2),
                  std::max(0, (area.height() - bitmapSize.height()) / 2));
}

int DroppedListRows(int droppedHeight, int frames, int rowHeight)
{
    if (rowHeight <= 0)
        return 1;
    return std::max(1, (droppedHeight - frames) / rowHeight);
}

ColorRef ItemBandColor(int item)
{
    return (item / kItemBandRows) % 2 != 0 ? kHighlightColor : kWhiteColor;
}

std::vector<GradientBand> GradientBands(const QRect& rect, ColorRef c1, ColorRef c2)
{
    const int left = rect.x();
    const int width = rect.width();
    if (c1 == c2)
        return {GradientBand{left, left + width, c1}};

    std::vector<GradientBand> bands;
    for (int k = 0; k < kGradientBands; ++k) {
        const int from = left + width * k / kGradientBands;
        const int to = left + width * (k + 1) / kGradientBands;
        if (to <= from)
            continue;
        bands.push_back({from, to,
                         RGB(bandChannel(GetRValue(c1), GetRValue(c2), k),
                             bandChannel(GetGValue(c1), GetGValue(c2), k),
                             bandChannel(GetBValue(c1), GetBValue(c2), k))});
    }
    return bands;
}

CompletionResult CompleteEditText(const QString& typed, EditSelection sel, const QStringList& items)
{
    CompletionResult result{-1, typed, sel};
    const int n = int(typed.size());
    if (n == 0)
        return result;

    for (int i = 0; i < int(items.size()); ++i) {
        if (items[i].startsWith(typed, Qt::CaseInsensitive)) {
            result.item = i;
            result.text = items[i];
            break;
        }
    }
    // A caret inside the typed text stays; otherwise the completed rest is selected.
    if (sel.end < n)
        result.selection = sel;
    else
        result.selection = {n, int(result.text.size())};
    return result;
}
