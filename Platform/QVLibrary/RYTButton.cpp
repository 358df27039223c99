#include "RYTButton.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

bool hasValue(const QColor& c)
{
    return c.isValid();
}

bool hasValue(const QIcon& i)
{
    return !i.isNull();
}

// Colours a user would not tell apart at a glance.
bool isNear(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 90;
}

}  // namespace

RYTButton::RYTButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    titles_[0] = palette().color(QPalette::ButtonText);
}

void RYTButton::setTitle(const QString& title)
{
    setText(title);
    updateGeometry();
    update();
}

void RYTButton::setButtonStateColor(const QColor& normal, const QColor& up, const QColor& down, const QColor& disable)
{
    fills_[0] = normal;
    fills_[1] = up;
    fills_[2] = down;
    fills_[3] = disable;
    update();
}

void RYTButton::setButtonStateImage(const QIcon& normal, const QIcon& up, const QIcon& down, const QIcon& disable)
{
    images_[0] = normal;
    images_[1] = up;
    images_[2] = down;
    images_[3] = disable;
    updateGeometry();
    update();
}

void RYTButton::setTitleColor(const QColor& normal, const QColor& up, const QColor& down, const QColor& disable)
{
    titles_[0] = normal;
    titles_[1] = up;
    titles_[2] = down;
    titles_[3] = disable;
    update();
}

void RYTButton::setButtonBorderColor(const QColor& normal, const QColor& up, const QColor& down,
                                     const QColor& disable)
{
    borders_[0] = normal;
    borders_[1] = up;
    borders_[2] = down;
    borders_[3] = disable;
    update();
}

void RYTButton::setTitleColors(const QList<QColor>& colors)
{
    if (colors.isEmpty()) {
        return;
    }
    for (int i = 0; i < 4; ++i) {
        titles_[i] = colors.size() == 1 ? colors.first() : (i < colors.size() ? colors.at(i) : QColor());
    }
    update();
}

void RYTButton::setCornerRadius(double radius)
{
    cornerRadius_ = radius < 0.0 ? 0.0 : radius;
    update();
}

void RYTButton::setBorderWidth(double width)
{
    borderWidth_ = width < 0.0 ? 0.0 : width;
    update();
}

void RYTButton::setShadow(const QColor& color, const QPointF& offset, double blur)
{
    shadow_ = RYTShadow{color, offset, blur < 0.0 ? 0.0 : blur};
    updateGeometry();
    update();
}

QRect RYTButton::surfaceRect() const
{
    return rect().marginsRemoved(shadow_.margins());
}

RYTButton::State RYTButton::currentState() const
{
    if (!isEnabled()) {
        return State::disable;
    }
    if (isDown()) {
        return State::down;
    }
    return hovered_ ? State::up : State::normal;
}

template <typename T>
T RYTButton::pick(const T (&values)[4], State state)
{
    const T& value = values[static_cast<int>(state)];
    return hasValue(value) ? value : values[0];
}

QColor RYTButton::fillColor(State state) const
{
    return pick(fills_, state);
}

QColor RYTButton::titleColor(State state) const
{
    return pick(titles_, state);
}

QColor RYTButton::borderColor(State state) const
{
    return pick(borders_, state);
}

QIcon RYTButton::image(State state) const
{
    return pick(images_, state);
}

QSize RYTButton::sizeHint() const
{
    const QFontMetrics fm(font());
    int width = text().isEmpty() ? 0 : fm.horizontalAdvance(text()) + 24;
    if (!images_[0].isNull()) {
        width += iconSize().width() + (text().isEmpty() ? 8 : 6);
    }
    return QSize(qMax(width, 28), qMax(28, fm.height() + 10)).grownBy(shadow_.margins());
}

QSize RYTButton::minimumSizeHint() const
{
    return QSize(16, 16);
}

void RYTButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const State state = currentState();
    const QRect surface = surfaceRect();
    shadow_.paint(&painter, surface, cornerRadius_);

    const QColor border = borderColor(state);
    const bool stroke = border.isValid() && borderWidth_ > 0.0;
    const double inset = stroke ? borderWidth_ / 2.0 : 0.0;
    const QRectF box = QRectF(surface).adjusted(inset, inset, -inset, -inset);
    const double radius = qMax(0.0, cornerRadius_ - inset);
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);

    const QColor fill = fillColor(state);
    if (fill.isValid()) {
        painter.fillPath(path, fill);
    }
    if (stroke) {
        painter.setPen(QPen(border, borderWidth_));
        painter.drawPath(path);
    }

    const QIcon icon = image(state);
    const QString title = text();
    QRect textRect = surface.adjusted(4, 0, -4, 0);
    if (!icon.isNull()) {
        if (title.isEmpty()) {
            // An image-only button shows its image across the whole button.
            icon.paint(&painter, surface, Qt::AlignCenter);
        } else {
            const QSize size = iconSize();
            const int textWidth = fontMetrics().horizontalAdvance(title);
            const int total = size.width() + 6 + textWidth;
            const int x = surface.x() + qMax(0, (surface.width() - total) / 2);
            icon.paint(&painter,
                       QRect(x, surface.y() + (surface.height() - size.height()) / 2, size.width(), size.height()));
            textRect = QRect(x + size.width() + 6, surface.y(), textWidth + 1, surface.height());
        }
    }
    if (!title.isEmpty()) {
        QColor color = titleColor(state);
        if (!color.isValid()) {
            color = palette().color(QPalette::ButtonText);
        }
        painter.setPen(color);
        painter.setFont(font());
        painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, title);
    }
    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        paintFocusMark(painter, QRectF(surface), radius);
        if (fill.isValid() && fill.alpha() > 0 && isNear(fill, normalColor())) {
            // On a fill of the ring's own colour the ring alone would not
            // show: a white line just inside it does.
            painter.setPen(QPen(Qt::white, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(surface).adjusted(3.25, 3.25, -3.25, -3.25), qMax(0.0, radius - 3.0),
                                    qMax(0.0, radius - 3.0));
        }
    }
}

void RYTButton::paintFocusMark(QPainter& painter, const QRectF& rect, double radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(normalColor(), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), qMax(0.0, radius - 1.0), qMax(0.0, radius - 1.0));
    painter.restore();
}

bool RYTButton::isPressKey(const QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    const int key = event->key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool RYTButton::isOpenKey(const QKeyEvent* event)
{
    return isPressKey(event) ||
           (event->key() == Qt::Key_Down && !(event->modifiers() & ~(Qt::KeypadModifier | Qt::AltModifier)));
}

bool RYTButton::handlePressKey(QAbstractButton* button, QKeyEvent* event, bool release)
{
    if (!isPressKey(event)) {
        return false;
    }
    if (!button->isVisible()) {
        event->ignore();
        return true;
    }
    if (event->key() == Qt::Key_Space) {
        return false;
    }
    if (!release && !event->isAutoRepeat() && button->isEnabled()) {
        button->click();
    }
    event->accept();
    return true;
}

void RYTButton::keyPressEvent(QKeyEvent* event)
{
    if (!handlePressKey(this, event, false)) {
        QAbstractButton::keyPressEvent(event);
    }
}

void RYTButton::keyReleaseEvent(QKeyEvent* event)
{
    if (!handlePressKey(this, event, true)) {
        QAbstractButton::keyReleaseEvent(event);
    }
}

void RYTButton::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void RYTButton::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void RYTButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        update();
    }
    QAbstractButton::changeEvent(event);
}
