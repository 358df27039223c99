#pragma once

#include <QAbstractButton>

// A small on/off switch: a rounded track, blue when on, with a white knob
// at the end of its state. A click flips it.
class KPLSwitchButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit KPLSwitchButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
