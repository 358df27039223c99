#include "LeftLargeDataTimeStyle.h"

#include "Main/Utilities.h"

namespace {

using Style = LeftLargeDataStyle<LeftLargeTimeDataType, int>;

// Slot 8 holds the files changed before today but within the week: "Last
// Week". The month and last-week rows share their colour.
const Style::Entry kRows[] = {
    {LeftLargeTimeDataType::largeFilesTypeAll, 0, "All files", "allFiles", 0x7A7EFF, "all_LargeFiles"},
    {LeftLargeTimeDataType::largeFilesTypeYear, 5, "1 Year Ago", "YearAgo", 0xFF8563, "YearAgo"},
    {LeftLargeTimeDataType::largeFilesTypeMonth, 6, "1 Month Ago", "MonthAgo", 0x5786FF, "MonthAgo"},
    {LeftLargeTimeDataType::largeFilesTypeWeek, 7, "1 Week Ago", "WeekAgo", 0xD692FF, "WeekAgo"},
    {LeftLargeTimeDataType::largeFilesTypeDay, 8, "Last Week", "lastWeek", 0x5786FF, "lastWeek"},
    {LeftLargeTimeDataType::largeFilesTypeToday, 9, "Today", "today", 0x85D160, "today"},
};

}  // namespace

LeftLargeDataTimeStyle::LeftLargeDataTimeStyle(LeftLargeTimeDataType type, bool isSelectedView)
    : LeftLargeDataStyle(type, isSelectedView, kRows, true)
{
}

QString LeftLargeDataTimeStyle::displayTitle() const
{
    return titleName();
}

QColor LeftLargeDataTimeStyle::progressColor() const
{
    const int rgb = progressColorName();
    return color256((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}
