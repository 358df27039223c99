#pragma once

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPainter>
#include <QColor>
#include <QIcon>
#include <QList>

#include "RYTShadow.h"

// A self-drawn button with a fill, an image, a title colour and a border for
// each of four states: normal, mouse over ("up"), pressed ("down") and
// disabled. A state without its own value shows the normal one. The button
// tracks the mouse itself, so hover needs no help from the window.
class RYTButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class State { normal = 0, up = 1, down = 2, disable = 3 };

    // The looks of the program's buttons, applied by setButton().
    enum class ShowType { normal, uncertain, normalBorder, uncertainBorder, back };

    explicit RYTButton(QWidget* parent = nullptr);

    QString title() const { return text(); }
    void setTitle(const QString& title);

    // Four-state setters; an invalid colour or a null icon leaves that state
    // to fall back on the normal value.
    void setButtonStateColor(const QColor& normal, const QColor& up, const QColor& down,
                             const QColor& disable = QColor());
    void setButtonStateImage(const QIcon& normal, const QIcon& up, const QIcon& down, const QIcon& disable = QIcon());
    void setTitleColor(const QColor& normal, const QColor& up, const QColor& down, const QColor& disable = QColor());
    void setButtonBorderColor(const QColor& normal, const QColor& up, const QColor& down,
                              const QColor& disable = QColor());
    // One colour applies to every state; more are taken in state order.
    void setTitleColors(const QList<QColor>& colors);

    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    // A soft shadow under the button: the button is drawn that much inside
    // its rectangle, which keeps the room the shadow takes.
    void setShadow(const QColor& color, const QPointF& offset, double blur);
    const RYTShadow& shadow() const { return shadow_; }
    // Where the button itself is drawn: its rectangle less the shadow's room.
    QRect surfaceRect() const;

    // The state the button shows now, and what it shows in it.
    State currentState() const;
    bool isHovered() const { return hovered_; }
    QColor fillColor(State state) const;
    QColor titleColor(State state) const;
    QColor borderColor(State state) const;
    QIcon image(State state) const;

    // Styles of the program: corner radius 4, the title, then the colours.
    void setButton(ShowType type, const QString& title);

    // The shared button colours; named colours follow the appearance.
    static QColor normalColor();
    static QColor hoverColor();
    static QColor disableColor();
    static QColor normalUncertainColor();
    static QColor hoverUncertainColor();
    static QColor clickUncertainColor();
    static QColor disableUncertainColor();
    static QColor uncertainTitleColor();
    static QColor backBorderColor();
    static QColor backTitleColor();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The ring the program's controls draw inside `rect` while they have the
    // keyboard focus: the main blue, solid, so it reads on light and dark.
    static void paintFocusMark(QPainter& painter, const QRectF& rect, double radius);
    // Space, Return and Enter without other modifiers: what presses a
    // focused control.
    static bool isPressKey(const QKeyEvent* event);
    // What opens a focused pop-up: a pressing key, or the down arrow (Alt
    // held or not).
    static bool isOpenKey(const QKeyEvent* event);
    // The program's buttons take those keys alike: one that is not shown
    // (a page of it hidden, say) takes none, and Return or Enter click it as
    // Space does. True when the event was dealt with here.
    static bool handlePressKey(QAbstractButton* button, QKeyEvent* event, bool release);

protected:
    void paintEvent(QPaintEvent* event) override;
    // By handlePressKey().
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    template <typename T>
    static T pick(const T (&values)[4], State state);

    QColor fills_[4];
    QColor titles_[4];
    QColor borders_[4];
    QIcon images_[4];
    double cornerRadius_ = 0.0;
    double borderWidth_ = 1.0;
    RYTShadow shadow_;
    bool hovered_ = false;
};
