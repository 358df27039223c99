#pragma once

#include <QWidget>

// The place of a preview in a column of parts: where the column is short it
// is the part that gives way. It asks for its maximum height and takes as
// little as its minimum one. A child of a fixed size (its maximum size) is
// scaled down with the box, centred, keeping its shape; a child without
// one fills the box (a player or a viewer, which fits its picture itself).
class QLPreviewBox : public QWidget {
    Q_OBJECT
public:
    explicit QLPreviewBox(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;

private:
    // Where a child whose maximum size is `full` lies in a box of `box`.
    static QRect placement(QSize full, QSize box);
    void placeChildren();
};
