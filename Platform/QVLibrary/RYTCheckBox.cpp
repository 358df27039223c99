#include "RYTCheckBox.h"

#include "RYTButton.h"
#include "RYTDarkMode.h"
#include "RYTImage.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kBox = 14;
constexpr int kGap = 6;

QColor named(const char* name, const QColor& fallback)
{
    const QColor c = RYTDarkMode::colorNamed(QString::fromLatin1(name));
    return c.isValid() ? c : fallback;
}
}  // namespace

RYTCheckBox::RYTCheckBox(QWidget* parent)
    : QAbstractButton(parent)
{
    // The state lives here, not in QAbstractButton's two-state check flag.
    setCheckable(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
}

void RYTCheckBox::setState(int state)
{
    int value = state;
    if (value == stateMixed && !allowsMixedState_) {
        value = stateOn;
    } else if (value != stateMixed && value != stateOff) {
        value = stateOn;
    }
    if (value == state_) {
        return;
    }
    state_ = value;
    update();
    emit stateChanged(state_);
}

void RYTCheckBox::setAllowsMixedState(bool allows)
{
    allowsMixedState_ = allows;
    if (!allows && state_ == stateMixed) {
        setState(stateOn);
    }
}

void RYTCheckBox::setIconName(const QString& name)
{
    iconName_ = name;
    update();
}

void RYTCheckBox::setIsHover(bool hover)
{
    isHover_ = hover;
    update();
}

void RYTCheckBox::setTitleColor(const QColor& color)
{
    titleColor_ = color;
    update();
}

void RYTCheckBox::nextCheckState()
{
    // QAbstractButton calls this on a click, before it emits clicked().
    if (state_ == stateOn) {
        setState(stateOff);
    } else if (state_ == stateOff) {
        setState(allowsMixedState_ ? stateMixed : stateOn);
    } else {
        setState(stateOn);
    }
}

void RYTCheckBox::checkStateSet()
{
}

QSize RYTCheckBox::sizeHint() const
{
    const QFontMetrics fm(font());
    const int width = kBox + (text().isEmpty() ? 0 : kGap + fm.horizontalAdvance(text()));
    return QSize(width + 2, qMax(kBox + 2, fm.height()));
}

QSize RYTCheckBox::minimumSizeHint() const
{
    return sizeHint();
}

bool RYTCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void RYTCheckBox::enterEvent(QEnterEvent* event)
{
    mouseInside_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void RYTCheckBox::leaveEvent(QEvent* event)
{
    mouseInside_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void RYTCheckBox::paintBox(QPainter* painter, const QRectF& box, int state, bool lit, bool enabled)
{
    const QColor accent = named("ButtonNormalColor", QColor(0x2F, 0x80, 0xED));
    const QColor accentHover = named("ButtonHoverColor", accent.lighter(115));
    const QColor frame = named("ButtonborderColor", QColor(0xD0, 0xD4, 0xDA));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(box, 3, 3);
    painter->setOpacity(painter->opacity() * (enabled ? 1.0 : 0.45));
    if (state == stateOff) {
        painter->fillPath(path, named("WindowBackgroundColor", Qt::white));
        painter->setPen(QPen(lit ? accent : frame, 1.0));
        painter->drawPath(path);
    } else {
        painter->fillPath(path, lit ? accentHover : accent);
        painter->setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (state == stateOn) {
            QPainterPath tick;
            tick.moveTo(box.left() + box.width() * 0.24, box.top() + box.height() * 0.52);
            tick.lineTo(box.left() + box.width() * 0.43, box.top() + box.height() * 0.70);
            tick.lineTo(box.left() + box.width() * 0.77, box.top() + box.height() * 0.32);
            painter->drawPath(tick);
        } else {
            const double y = box.center().y();
            painter->drawLine(QPointF(box.left() + box.width() * 0.26, y), QPointF(box.right() - box.width() * 0.26, y));
        }
    }
    painter->restore();
}

void RYTCheckBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1.5, (height() - kBox) / 2.0 + 0.5, kBox - 1, kBox - 1);
    const bool lit = isHover_ && mouseInside_ && isEnabled();

    // An image set of the resources wins over the drawn box: <name>-on,
    // <name>-off and <name>-mixed.
    bool drawn = false;
    if (!iconName_.isEmpty()) {
        const char* suffix = state_ == stateOn ? "-on" : (state_ == stateOff ? "-off" : "-mixed");
        const QIcon icon = RYTImage::named(iconName_ + QLatin1String(suffix));
        if (!icon.isNull()) {
            icon.paint(&painter, box.toAlignedRect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
            drawn = true;
        }
    }
    if (!drawn) {
        paintBox(&painter, box, state_, lit, isEnabled());
    }
    if (!text().isEmpty()) {
        QColor color = titleColor_.isValid() ? titleColor_ : palette().color(QPalette::WindowText);
        if (!isEnabled()) {
            color.setAlphaF(0.45f);
        }
        painter.setPen(color);
        painter.drawText(QRect(kBox + kGap + 1, 0, width() - kBox - kGap - 1, height()),
                         Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text());
    }
    // Reached by Tab, the box shows where the keyboard is, as the buttons do.
    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        RYTButton::paintFocusMark(painter, box.adjusted(-2.5, -2.5, 2.5, 2.5), 4.0);
    }
}
