#pragma once

#include <QAbstractButton>
#include <QIcon>

// The expand/collapse arrow of a group row: a two-state button showing its
// image turned by `rotation` (radians, about its centre), so the row can
// animate the turn from the old direction into the new one.
class RightDataListArrowButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit RightDataListArrowButton(QWidget* parent = nullptr);

    // On: expanded.
    bool state() const { return isChecked(); }
    void setState(bool on) { setChecked(on); }

    QIcon image() const { return icon(); }
    void setImage(const QIcon& image);

    double rotation() const { return rotation_; }
    void setRotation(double radians);

    QSize sizeHint() const override { return QSize(16, 16); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double rotation_ = 0.0;
};
