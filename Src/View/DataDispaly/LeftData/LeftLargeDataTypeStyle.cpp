#include "LeftLargeDataTypeStyle.h"

#include "Main/Utilities.h"
#include "View/DataDispaly/CellLooks.h"

namespace {

using Style = LeftLargeDataStyle<LeftDataType, QString>;

// The kind rows share the duplicate categories' names and colours; their
// titles stay keys until they are drawn.
const Style::Entry kRows[] = {
    {LeftDataType::all, 0, "All files", "left_All Files", QStringLiteral("LeftDataProgressAllColor"), "all"},
    {LeftDataType::video, 13, "Video", "left_Video", QStringLiteral("LeftDataProgressVideoColor"), "video"},
    {LeftDataType::audio, 12, "Audio", "left_Audio", QStringLiteral("LeftDataProgressAudioColor"), "audio"},
    {LeftDataType::picture, 11, "Image", "left_Photos", QStringLiteral("LeftDataProgressPhotosColor"), "image"},
    {LeftDataType::document, 10, "Document", "left_Document", QStringLiteral("LeftDataProgressDocumentColor"),
     "document"},
    {LeftDataType::other, 14, "Others", "left_Others", QStringLiteral("LeftDataProgressOtherColor"), "other"},
};

}  // namespace

LeftLargeDataTypeStyle::LeftLargeDataTypeStyle(LeftDataType type, bool isSelectedView)
    : LeftLargeDataStyle(type, isSelectedView, kRows, false)
{
}

QString LeftLargeDataTypeStyle::displayTitle() const
{
    return localized(titleName());
}

QColor LeftLargeDataTypeStyle::progressColor() const
{
    // Drawn on the panel's white box in both appearances.
    return CellLooks::lightColor(progressColorName());
}
