#pragma once

#include <optional>
#include <utility>

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QString>

#include "Foundation/Error.h"
#include "Main/Utilities.h"
#include "Model/FileInfo.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/DataDispaly/ElidedLabel.h"

class MouseUpTextField;
class MouseUpTextFieldDelegate;
class QAbstractItemView;
class QModelIndex;
class QTableView;
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

// A size as the rows write it.
QString sizeText(uint64_t bytes);

// The left panels' filter buttons: one fill in every state and a title
// colour.
void setFilterButtonLook(RYTButton* button, const QColor& fill, const QColor& title);
// A caption's colour, also when it sits inside a button.
void setCaptionColor(QLabel* label, const QColor& color);
// The left panels' "All" and "Selected" switches: rounded, checkable, "All"
// on, one stop of the keyboard, and their captions in font 14 reporting
// clicks to `delegate`.
void setUpFilterButtons(RYTButton* all, RYTButton* selected, MouseUpTextField* allLabel,
                        MouseUpTextField* selectedLabel, MouseUpTextFieldDelegate* delegate);
// The left panels' category table: no headers or grid, rows `rowHeight`
// high, on white.
void setUpCategoryTable(QTableView* table, int rowHeight);
// Paints `box` white with corners of `radius`, in both appearances.
void paintWhiteRoundedBox(QWidget* box, double radius);

// The look of the result lists: whole rows chosen one at a time, nothing
// edited, smooth scrolling, no frame and no horizontal scroll bar, the mouse
// followed for the row views.
void setUpResultList(QAbstractItemView* view);
// Chooses the row of `index` alone in a result list (nothing for an invalid
// index) and, when `bringIntoView`, scrolls the list so the row shows: the
// view scrolls by itself only when its current row changes, and a list
// shown again often chooses the row it had.
void chooseRow(QAbstractItemView* view, const QModelIndex& index, bool bringIntoView);

// The folders of `file`'s path (character positions in its displayed
// path, from and to) that it does not share with every other of `copies`:
// where the copies tell apart. -1, -1 without another copy.
std::pair<qsizetype, qsizetype> differingFolders(const FileInfo& file, const QList<FileInfoPtr>& copies);

// What a file row shows, in either panel's file cell: the box (enabled or
// not, ticked when the file is selected), icon, full path (its own tool
// tip when `pathToolTip`), size, and in the removal variant the error icon
// with the error as tool tip. A path too long for the row is cut at its
// folders so that the name and where it differs from the other `copies`
// of its group stay.
template <typename Cell>
void showFile(Cell* cell, const FileInfo& file, int row, bool enabled, bool pathToolTip, bool removeVariant,
              const QList<FileInfoPtr>& copies = {})
{
    cell->checkBox()->setEnabled(enabled);
    cell->checkBox()->setAllowsMixedState(false);
    cell->checkBox()->setState(file.selected() ? 1 : 0);
    cell->checkBox()->setTag(row);
    const QString path = file.displayPath();
    if (auto* elided = qobject_cast<ElidedLabel*>(cell->fileNameLabel())) {
        const auto [from, to] = differingFolders(file, copies);
        elided->setPath(path, from, to);
    } else {
        cell->fileNameLabel()->setText(path);
    }
    cell->fileNameLabel()->setToolTip(pathToolTip ? plainToolTip(path) : QString());
    cell->sizeLabel()->setText(sizeText(file.size()));
    setIcon(cell->iconImageView(), fileIcon(file));
    if (removeVariant) {
        const std::optional<Error> error = file.removeError();
        cell->errorImageView()->setVisible(error.has_value());
        cell->errorImageView()->setToolTip(error ? error->localizedDescription() : QString());
    }
}


}  // namespace CellLooks
