#pragma once

#include <QColor>
#include <QPointer>
#include <QTableView>

class QMouseEvent;
class RYTableView;

// Mouse reports of a RYTableView, each with the row and column under the
// mouse (-1 outside any cell) and the event. Every call is optional.
class RYTableViewDelegate {
public:
    virtual ~RYTableViewDelegate() = default;
    virtual void tableViewMouseInRow(RYTableView*, int /*row*/, int /*column*/, QMouseEvent*) {}
    virtual void tableViewMouseDownRow(RYTableView*, int /*row*/, int /*column*/, QMouseEvent*) {}
    virtual void tableViewRightMouseDownRow(RYTableView*, int /*row*/, int /*column*/, QMouseEvent*) {}
    virtual void tableViewMouseEnteredRow(RYTableView*, int /*row*/, int /*column*/, QMouseEvent*) {}
    virtual void tableViewMouseExitedRow(RYTableView*, int /*row*/, int /*column*/, QMouseEvent*) {}
};

// A table with a rounded outline and mouse reports per row.
class RYTableView : public QTableView {
    Q_OBJECT
public:
    explicit RYTableView(QWidget* parent = nullptr);

    // Non-owning; the delegate's owner clears it before the delegate goes.
    void setDelegate(RYTableViewDelegate* delegate) { delegate_ = delegate; }
    RYTableViewDelegate* delegate() const { return delegate_; }

    void setBorderColor(const QColor& color);
    QColor borderColor() const { return borderColor_; }
    void setBorderWidth(float width);
    float borderWidth() const { return borderWidth_; }
    void setCornerRadius(float radius);
    float cornerRadius() const { return cornerRadius_; }
    // Redraws the outline with the values above.
    void drawTableViewBorder();

    // The row the mouse is over, -1 when none.
    int hoveredRow() const { return hoveredRow_; }

protected:
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    RYTableViewDelegate* delegate_ = nullptr;
    QColor borderColor_;
    float borderWidth_ = 0.0f;
    float cornerRadius_ = 0.0f;
    int hoveredRow_ = -1;
    int hoveredColumn_ = -1;
};
