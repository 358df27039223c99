#pragma once

#include <memory>

#include <QString>
#include <QWidget>

class CellViewDelegate;
class QLabel;
class RYTProgress;

namespace Ui {
class LeftDataTableCellView;
}

// The width given to a label, as the layout's width constraint of it.
class LabelWidthConstraint {
public:
    explicit LabelWidthConstraint(QWidget* target = nullptr) : target_(target) {}
    double constant() const { return constant_; }
    void setConstant(double width);

private:
    QWidget* target_ = nullptr;
    double constant_ = 50.0;
};

// The cell of a category row: icon, name, share bar and size text. It keeps
// the row's selected and hover state and shows the icon's "left_on_" form
// while either is set. The large-file left panel fills the same cell.
class LeftDataTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit LeftDataTableCellView(QWidget* parent = nullptr);
    ~LeftDataTableCellView() override;

    // The icon shown: "left_…", or "left_on_…" while selected or hovered.
    QString imageName() const { return imageName_; }
    void setImageName(const QString& name) { imageName_ = name; }

    QLabel* iconImageView() const;
    QLabel* fileTypeLabel() const;
    RYTProgress* progressView() const;
    // The size text, despite its name.
    QLabel* filesCountLabel() const;
    LabelWidthConstraint* filesCountLabelWidthConstraint() { return &filesCountLabelWidthConstraint_; }

    bool cellSelected() const { return cellSelected_; }
    void setCellSelected(bool selected) { cellSelected_ = selected; }
    bool highlight() const { return highlight_; }
    void setHighlight(bool highlight) { highlight_ = highlight; }

    // The cell `delegate` keeps, or a new one set up and handed to it; null
    // when the layout cannot be made.
    static LeftDataTableCellView* dequeue(CellViewDelegate* delegate);
    // What every category row shows first: its icon, title, bar colour
    // (over a share bar of 0…1) and the size column's width.
    void showCategory(const QString& iconName, const QString& title, const QColor& barColor,
                      double sizeColumnWidth);

    // The look for selected or hovered (true) or plain (false).
    void updateProgressView(bool select);

    // The size column's width once `sizeText` is shown in it: the text's
    // width in the system font of 12 plus 5 when it is wider than
    // `current`, else `current` (the column only widens).
    static double widenedSizeColumn(double current, const QString& sizeText);

private:
    std::unique_ptr<Ui::LeftDataTableCellView> ui_;
    QString imageName_;
    LabelWidthConstraint filesCountLabelWidthConstraint_;
    bool cellSelected_ = false;
    bool highlight_ = false;
};
