#pragma once

#include <QSplitter>
#include <QSplitterHandle>

// A split view with a settable divider thickness. The divider is a white bar
// outlined in the line colour, with a grip in the middle when it is thick
// enough; a thin one is a plain line.
class KPLSplitView : public QSplitter {
    Q_OBJECT
public:
    explicit KPLSplitView(QWidget* parent = nullptr);
    explicit KPLSplitView(Qt::Orientation orientation, QWidget* parent = nullptr);

    double dividerHeight() const { return dividerHeight_; }
    void setDividerHeight(double height);
    // The divider's thickness: dividerHeight.
    int dividerThickness() const;

    // Paints the divider into `rect` (the handle's own coordinates).
    void drawDivider(QPainter* painter, const QRect& rect) const;

protected:
    QSplitterHandle* createHandle() override;

private:
    double dividerHeight_ = 1.0;
};
