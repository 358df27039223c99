#pragma once

#include <QPointer>

#include "IconView.h"
#include "QVLibrary/RYTableCellView.h"
#include "TruncatingLabel.h"

// The cell of a combo box's list: a title centred vertically, an optional
// subtitle below it and an optional image at the leading edge. With a
// subtitle the title moves up by 8; with an image the title starts at 30.
class RYTTWSComboBoxTextCellView : public RYTableCellView {
    Q_OBJECT
public:
    explicit RYTTWSComboBoxTextCellView(QWidget* parent = nullptr);

    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

    TruncatingLabel* titleLabel() const { return titleLabel_; }
    TruncatingLabel* subtitleLabel() const { return subtitleLabel_; }
    IconView* imageView() const { return imageView_; }

    // The title's vertical offset from the centre and its leading inset.
    double centerYConstraint() const { return centerY_; }
    void setCenterYConstraint(double constant);
    double titleLabelLeadingConstraint() const { return titleLeading_; }
    void setTitleLabelLeadingConstraint(double constant);

    bool hasSubtitle() const { return hasSubtitle_; }
    // True moves the title up for the subtitle; false changes nothing.
    void setHasSubtitle(bool hasSubtitle);
    QIcon image() const { return imageView_->image(); }
    // An image shows at the leading edge and moves the title; none changes nothing.
    void setImage(const QIcon& image);

    // Back to a fresh cell before it is filled for another row.
    void prepareForReuse();
    // Paints the cell as laid out for `rect`, as a list's painting delegate
    // does; the cell itself need not show.
    void drawInRect(QPainter* painter, const QRect& rect);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutLabels();

    QString identifier_;
    TruncatingLabel* titleLabel_ = nullptr;
    TruncatingLabel* subtitleLabel_ = nullptr;
    IconView* imageView_ = nullptr;
    double centerY_ = 0.0;
    double titleLeading_ = 8.0;
    bool hasSubtitle_ = false;
};
