#pragma once

#include <functional>

#include <QHash>

#include "ScanImagesImageCell.h"
#include "Model/ScanImagesGroupItem.h"
#include "View/Extension/KPLExtensionView.h"

class DupImagePreview;
class DupImageView;
class QAbstractItemView;
class QKeyEvent;
class ScanImagesGroupImagesModel;

// What the grid and the list of one group's images share: the group and its
// count of selected images, and the pointer. A click on a thumbnail selects
// or clears its image once the double-click interval has passed, a double
// click opens the file, a press on the box changes the selection at once; a
// tool tip tells why a removal failed. Counts always come from the images'
// own flags. It has no layout of its own: each of the two is laid out by its
// own Designer file.
//
// Tab reaches the view (a click leaves the keyboard where it was); there the
// arrows move the current image, drawn with the focus ring, Space picks or
// clears it as a press on its box does, and Return opens it as a double
// click does.
class ScanImagesGroupImagesBase : public ViewController {
    Q_OBJECT
public:
    explicit ScanImagesGroupImagesBase(QWidget* parent = nullptr);
    ~ScanImagesGroupImagesBase() override;

    ScanImagesGroupImagesModel* model() const { return model_; }
    int selectCount() const { return selectCount_; }
    int hoverRow() const { return hoverRow_; }
    bool isOpenPreview() const { return loupeRow_ >= 0; }
    DupImagePreview* preview() const { return preview_; }
    // A click is still being told from a double click.
    bool hasPendingClicks() const { return !clickers_.isEmpty(); }
    // The image the keyboard is on, -1 for none.
    int currentRow() const;

    // The image of `row` selected or cleared; the group's box and count
    // follow from its images, and the host is told.
    void setImageSelected(int row, bool selected);
    // A click on the thumbnail of `row`: the image's selection flips.
    void changeItemSelectState(int row);
    // Takes the preview (and what else floats over the images) away.
    virtual void closeOverlays();

    // The pointer at `point` of the view's viewport.
    virtual void pointerMoved(const QPoint& point) = 0;
    void pointerLeft();

protected:
    // Wires the view that shows the images to the model, the painting
    // delegate and the thumbnail loader; `afterPaint` is the view's hook.
    void attach(QAbstractItemView* view, ScanImagesImageCell* cells, std::function<void()>& afterPaint);
    const ScanImagesGroupItemPtr& group() const { return group_; }
    void setGroup(const ScanImagesGroupItemPtr& group);
    // Shows `group` from its top, with nothing hovered.
    void showGroup(const ScanImagesGroupItemPtr& group);
    void updateCells();
    void previewImage(int row);
    void openImage(int row);

    // Tells the host the selection of the group's images changed.
    virtual void selectionChanged() = 0;
    virtual void imageDoubleClicked(int row) { openImage(row); }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    int hoverRow_ = -1;
    int loupeRow_ = -1;
    DupImagePreview* preview_;

private:
    DupImageView* clicker(int row);
    void finishPendingClicks();
    bool toolTip(QEvent* event);
    // A key for the view; true when it was dealt with here.
    bool viewKey(QKeyEvent* event);
    // Without a current image, the first one becomes it.
    void takeFirstAsCurrent();

    ScanImagesGroupImagesModel* model_;
    QAbstractItemView* view_ = nullptr;
    ScanImagesImageCell* cells_ = nullptr;
    ScanImagesGroupItemPtr group_;
    int selectCount_ = 0;
    QHash<int, DupImageView*> clickers_;
};
