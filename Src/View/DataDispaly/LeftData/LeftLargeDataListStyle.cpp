#include "LeftLargeDataListStyle.h"

#include "Main/Utilities.h"

namespace {

using Style = LeftLargeDataStyle<LeftLargeDataType, int>;

// "500 MB  to 1 GB" keeps its two blanks: it is the translation key.
const Style::Entry kRows[] = {
    {LeftLargeDataType::largeFileTotal, 0, "All files", "largeFileTotal", 0x7A7EFF, "left_All Files"},
    {LeftLargeDataType::above5G, 1, "Over 5GB", "above5G", 0xFF8563, "left_5G"},
    {LeftLargeDataType::oneGBToFiveGB, 2, "1 GB to 5GB", "oneGBToFiveGB", 0xFFB04E, "left_1To5"},
    {LeftLargeDataType::fiveHundredMBToOneGB, 3, "500 MB  to 1 GB", "fiveHundredMBToOneGB", 0x5786FF, "left_0.5To1"},
    {LeftLargeDataType::tenMBToFiveHundredMB, 4, "10 MB to 500 MB", "tenMBToFiveHundredMB", 0x85D160,
     "left_0.01To0.5"},
};

}  // namespace

LeftLargeDataListStyle::LeftLargeDataListStyle(LeftLargeDataType type, bool isSelectedView)
    : LeftLargeDataStyle(type, isSelectedView, kRows, true)
{
}

QString LeftLargeDataListStyle::displayTitle() const
{
    return titleName();
}

QColor LeftLargeDataListStyle::progressColor() const
{
    const int rgb = progressColorName();
    return color256((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}
