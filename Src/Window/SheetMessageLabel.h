#pragma once

#include <QLabel>
#include <QTextOption>

// The sheet's message. It wraps like a word-wrapped label, except that a
// word wider than the whole line (a long path, mostly) wraps where it must
// instead of running past both edges and being cut off. The text itself is
// what was set: nothing is inserted to make it wrap.
class SheetMessageLabel : public QLabel {
    Q_OBJECT
public:
    explicit SheetMessageLabel(QWidget* parent = nullptr);

    // How the text is wrapped and aligned when painted and measured.
    QTextOption textOption() const;

    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Lays the text out at `width`; returns its height.
    qreal layOut(class QTextLayout& layout, qreal width) const;
};
