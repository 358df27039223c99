#pragma once

#include <QAbstractButton>

// A small on/off switch: a rounded track, blue when on, with a white knob
// at the end of its state. A click flips it, and so do Space and Return
// while it has the keyboard; the focus ring then runs round the track in the
// room left about it.
class KPLSwitchButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit KPLSwitchButton(QWidget* parent = nullptr);

    // The track's size; the switch is this much larger for its ring.
    static QSize trackSize() { return {36, 20}; }
    static constexpr int ringRoom = 3;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};
