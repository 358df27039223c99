#pragma once

#include <functional>

#include <QColor>
#include <QWidget>

// A click-catching panel of the in-window feature guide. Every press on it
// is announced as "DupImageNavigationViewClick" (which moves the guide on)
// and goes no further; moving the pointer over it does nothing. A panel
// with a fill colour paints it, so a page can dim what lies beneath.
class DupImageNavigationView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
public:
    explicit DupImageNavigationView(QWidget* parent = nullptr);

    static QString clickNotification();

    std::function<void()> mouseDownBlock;

    QColor fillColor() const { return fillColor_; }
    void setFillColor(const QColor& color);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fillColor_;
};
