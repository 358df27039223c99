#pragma once

#include <QColor>
#include <QMarginsF>

#include "QVLibrary/RYTableRowView.h"

class KPLLeftDataTableRowView;
class QMouseEvent;

// What a rounded row view tells its owner. Every call is optional.
class LeftDataTableRowViewDelegate {
public:
    virtual ~LeftDataTableRowViewDelegate() = default;
    // After every change of the row's selected state.
    virtual void tableRowViewSelectedDidChange(KPLLeftDataTableRowView*) {}
    // The mouse entered or left the row; the event may be null when the
    // list scrolled under the mouse or the mouse left the list.
    virtual void tableRowViewEntered(KPLLeftDataTableRowView*, QMouseEvent*) {}
    virtual void tableRowViewExited(KPLLeftDataTableRowView*, QMouseEvent*) {}
};

// The row view of the program's lists: the selected row and the row under
// the mouse are filled with a rounded rectangle inset from the row's edges,
// the selection optionally outlined; the whole row is filled with its
// background first. Lists make it through a RYTableRowViewHost and reuse it
// by the identifier "KPLLeftDataTableRowView".
class KPLLeftDataTableRowView : public RYTableRowView {
    Q_OBJECT
public:
    explicit KPLLeftDataTableRowView(QObject* parent = nullptr);

    // The identifier lists reuse this row view by: its class name.
    static QString reuseIdentifier() { return QStringLiteral("KPLLeftDataTableRowView"); }

    // Non-owning; the owner clears it before it goes away.
    LeftDataTableRowViewDelegate* delegate() const { return delegate_; }
    void setDelegate(LeftDataTableRowViewDelegate* delegate) { delegate_ = delegate; }

    // Colours; an invalid colour means none.
    QColor highlightColor() const { return highlightColor_; }
    void setHighlightColor(const QColor& color);
    QColor selectedColor() const { return selectedColor_; }
    void setSelectedColor(const QColor& color);
    QColor bgColor() const { return bgColor_; }
    void setBgColor(const QColor& color);
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& color);
    QColor alternateRowColor() const { return alternateRowColor_; }
    void setAlternateRowColor(const QColor& color);

    // Insets of the selection and hover rectangles from the row's edges
    // (QMarginsF: left, top, right, bottom). The left inset is the leading
    // one: a right-to-left list applies it at the right edge.
    QMarginsF selectedEdgeInsets() const { return insets_; }
    void setSelectedEdgeInsets(const QMarginsF& insets) { insets_ = insets; }
    void setSelectedEdgeInsets(double top, double left, double bottom, double right)
    {
        insets_ = QMarginsF(left, top, right, bottom);
    }
    int radius() const { return radius_; }
    void setRadius(int radius) { radius_ = radius; }

    // The mouse is over the row.
    bool mouseFocus() const { return mouseFocus_; }

    // The selection and hover rectangle for a rectangle of the row.
    QRectF changeRect(const QRectF& rect) const;

    void setSelected(bool selected) override;
    void drawRect(QPainter* painter, const QRectF& dirtyRect) override;
    void drawBackgroundInRect(QPainter* painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter* painter, const QRectF& dirtyRect) override;
    void mouseEntered(QMouseEvent* event) override;
    void mouseMoved(QMouseEvent* event) override;
    void mouseExited(QMouseEvent* event) override;

protected:
    void viewDidMoveToSuperview() override;

private:
    bool mouseInview() const;

    LeftDataTableRowViewDelegate* delegate_ = nullptr;
    QColor highlightColor_;
    QColor selectedColor_;
    QColor bgColor_;
    QColor borderColor_;
    QColor alternateRowColor_;
    QMarginsF insets_{16.0, 4.0, 16.0, 4.0};
    int radius_ = 0;
    bool mouseFocus_ = false;
};
