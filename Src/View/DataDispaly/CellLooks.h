#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

class FileInfo;
class QLabel;
class RYTButton;
class RYTCheckBox;

// The looks the result cells share, set once when a cell is made.
namespace CellLooks {

// State off, the "Selected" image set, no hover, a switch.
void setUpCheckBox(RYTCheckBox* box);
// The system font at `pixels`, bold or not, in a named colour (at `alpha`).
void setLabel(QLabel* label, int pixels, bool bold, const QString& colorName, double alpha = 1.0);
// The open button's four images.
void setUpOpenFileButton(RYTButton* button);
// The removal-error icon.
void setUpErrorImage(QLabel* imageView);
// A named colour's light value (red for a name the table does not hold):
// for what is drawn on the result panels, which stay light in both
// appearances.
QColor lightColor(const QString& name, double alpha = 1.0);
// The file's icon from the desktop's theme; the program's own icon of its
// kind where the theme has none.
QIcon fileIcon(const FileInfo& file);
// An icon drawn into an image view at its size.
void setIcon(QLabel* imageView, const QIcon& icon);

}  // namespace CellLooks
