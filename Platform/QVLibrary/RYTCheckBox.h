#pragma once

#include <QAbstractButton>
#include <QColor>

class QPainter;

// The program's check box: a drawn box with an optional title. States are
// 1 on, 0 off and -1 mixed; a click moves on to the next state (on → off,
// off → on, or with the mixed state allowed on → off → mixed → on).
class RYTCheckBox : public QAbstractButton {
    Q_OBJECT
public:
    enum { stateMixed = -1, stateOff = 0, stateOn = 1 };
    // Button types the layouts use; the box behaves as a switch in every type.
    enum { buttonTypeSwitch = 3 };

    explicit RYTCheckBox(QWidget* parent = nullptr);

    int state() const { return state_; }
    // Values other than -1, 0 and 1 count as on; -1 needs the mixed state.
    void setState(int state);
    bool allowsMixedState() const { return allowsMixedState_; }
    void setAllowsMixedState(bool allows);

    int buttonType() const { return buttonType_; }
    void setButtonType(int type) { buttonType_ = type; }
    // The image set of the box; the built-in set draws itself in the
    // program's colours.
    QString iconName() const { return iconName_; }
    void setIconName(const QString& name);
    // With hover on, the box lights up under the mouse.
    bool isHover() const { return isHover_; }
    void setIsHover(bool hover);
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    QColor titleColor() const { return titleColor_; }
    void setTitleColor(const QColor& color);

    // Draws the built-in box of `state` into `box`: for views that paint
    // many boxes without a widget each. Colours are the named ones of the
    // appearance in force.
    static void paintBox(QPainter* painter, const QRectF& box, int state, bool lit, bool enabled);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void stateChanged(int state);

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;
    void checkStateSet() override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    int state_ = stateOff;
    bool allowsMixedState_ = false;
    int buttonType_ = buttonTypeSwitch;
    QString iconName_;
    bool isHover_ = false;
    bool mouseInside_ = false;
    int tag_ = 0;
    QColor titleColor_;
};
