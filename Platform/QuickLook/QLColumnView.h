#pragma once

#include <QWidget>

// Holds a column of parts (its one child widget, with its layout) and gives
// it at least the height its parts need at the view's width. A view shorter
// than that cuts the column at its bottom: Qt's layouts, given less than
// their minimum, would press the parts into one another.
class QLColumnView : public QWidget {
    Q_OBJECT
public:
    explicit QLColumnView(QWidget* parent = nullptr);

    // The column (null before it is added).
    QWidget* column() const;

    QSize sizeHint() const override;
    // The column's width, and no height: the view may be cut.
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;

private:
    // The height the column's parts need at `width`.
    int neededHeight(int width) const;
    void placeColumn();
};
