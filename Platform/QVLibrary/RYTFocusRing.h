#pragma once

#include <QPointer>
#include <QWidget>

// The ring of the keyboard focus laid over a control whose own drawing lies
// beneath what it holds: a list whose rows cover the whole of it. The ring
// follows the control's size, shows only while the control has the focus
// and lets every mouse event through. It goes with the control.
class RYTFocusRing : public QWidget {
    Q_OBJECT
public:
    // The ring over `control`, with the corner radius of its edge; the ring
    // already laid over it when there is one.
    static RYTFocusRing* attach(QWidget* control, double radius);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    RYTFocusRing(QWidget* control, double radius);
    void follow();

    QPointer<QWidget> control_;
    double radius_;
};
