#pragma once

#include <functional>

#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

class QAbstractItemView;
class RightLargeFileTableModel;

// Paints a row of the large-file table (40 high): the tick in the
// "Selected" look, the file's icon, its name, its size and, for a file a
// removal could not take, the failure mark, on the table's
// fixed white surface. It takes the tick's click itself, so a click on the
// box never selects the row; the owner is told the row.
class RightLargeFileTableCellView : public QStyledItemDelegate {
    Q_OBJECT
public:
    RightLargeFileTableCellView(QAbstractItemView* view, RightLargeFileTableModel* model);
    ~RightLargeFileTableCellView() override;

    static constexpr int rowHeight = 40;

    // Whether the ticks take clicks.
    bool checkIsEnabled() const { return checkIsEnabled_; }
    void setCheckIsEnabled(bool enabled);
    // Told the row of a tick the user clicked.
    void setOnCheckBoxClick(std::function<void(int row)> onClick) { onClick_ = std::move(onClick); }

    // Where a row's parts lie, in the row's own rectangle; the row of a
    // file whose removal failed ends in its failure mark.
    static QRect checkBoxRect(const QRect& row);
    static QRect iconRect(const QRect& row);
    static QRect nameRect(const QRect& row, bool failed = false);
    static QRect sizeRect(const QRect& row, bool failed = false);
    static QRect errorRect(const QRect& row);
    // The name's and the size's colour.
    static QColor nameColor();
    static QColor sizeColor();

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Over a failure mark, the failure's reason.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QAbstractItemView> view_;
    // Compared by address only: while the view is being torn down its
    // viewport still sends events, and the view may no longer be asked.
    QPointer<QWidget> viewport_;
    RightLargeFileTableModel* model_;
    bool checkIsEnabled_ = true;
    std::function<void(int)> onClick_;
    // The box pressed, until the button comes up.
    QPersistentModelIndex pressedIndex_;
};
