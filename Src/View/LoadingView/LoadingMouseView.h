#pragma once

#include <QWidget>

// A transparent view that ends mouse clicks, double clicks, context-menu
// requests and scrolling where they land: Qt would otherwise hand an event a
// widget ignores on to its parent, i.e. to the view under the overlay.
class LoadingMouseView : public QWidget {
    Q_OBJECT
public:
    explicit LoadingMouseView(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
