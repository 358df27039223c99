#include "TruncatingLabel.h"

#include "QVLibrary/RYTDarkMode.h"

#include <QPainter>

TruncatingLabel::TruncatingLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void TruncatingLabel::setElideMode(Qt::TextElideMode mode)
{
    elideMode_ = mode;
    update();
}

void TruncatingLabel::setTextColor(const QColor& color)
{
    textColor_ = color;
    update();
}

void TruncatingLabel::setTextColorName(const QString& name)
{
    textColorName_ = name;
    update();
}

void TruncatingLabel::setOnLightSurface(bool light)
{
    onLightSurface_ = light;
    update();
}

QColor TruncatingLabel::effectiveTextColor() const
{
    if (textColor_.isValid()) {
        return textColor_;
    }
    if (!textColorName_.isEmpty()) {
        const QColor named = onLightSurface_ ? RYTDarkMode::colorNamed(textColorName_, false)
                                             : RYTDarkMode::colorNamed(textColorName_);
        if (named.isValid()) {
            return named;
        }
    }
    return palette().color(QPalette::Active, foregroundRole());
}

QString TruncatingLabel::shownText() const
{
    const QRect area = contentsRect();
    return fontMetrics().elidedText(text(), elideMode_, area.width());
}

QSize TruncatingLabel::minimumSizeHint() const
{
    // Any width will do: the text shortens itself.
    return QSize(0, QLabel::minimumSizeHint().height());
}

void TruncatingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(effectiveTextColor());
    painter.setFont(font());
    painter.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, shownText());
}
