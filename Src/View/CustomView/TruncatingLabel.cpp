#include "TruncatingLabel.h"

#include "QVLibrary/RYTDarkMode.h"

#include <QFontMetricsF>
#include <QPainter>

TruncatingLabel::TruncatingLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void TruncatingLabel::setColoredText(const QString& text, const QList<ColorRun>& runs)
{
    setText(text);
    colorRuns_ = runs;
    runsText_ = text;
    update();
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
    painter.setFont(font());
    const QString shown = shownText();
    const QColor base = effectiveTextColor();
    const bool runs = !colorRuns_.isEmpty() && runsText_ == text() &&
                      (elideMode_ == Qt::ElideRight || elideMode_ == Qt::ElideNone || shown == text());
    if (!runs) {
        painter.setPen(base);
        painter.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, shown);
        return;
    }
    // The shown text is a leading part of the text (plus an ellipsis): each
    // character keeps the colour of its run.
    QList<QColor> colors(shown.size(), base);
    for (const ColorRun& run : colorRuns_) {
        for (int i = qMax(0, run.start); i < qMin<int>(int(shown.size()), run.start + run.length); ++i) {
            if (run.color.isValid()) {
                colors[i] = run.color;
            }
        }
    }
    const QFontMetricsF metrics(font());
    const QRectF area = contentsRect();
    double x = area.left();
    if (alignment() & Qt::AlignRight) {
        x = area.right() - metrics.horizontalAdvance(shown);
    } else if (alignment() & Qt::AlignHCenter) {
        x = area.left() + (area.width() - metrics.horizontalAdvance(shown)) / 2.0;
    }
    const double baseline = area.top() + (area.height() - metrics.height()) / 2.0 + metrics.ascent();
    int from = 0;
    while (from < shown.size()) {
        int to = from + 1;
        while (to < shown.size() && colors[to] == colors[from]) {
            ++to;
        }
        const QString piece = shown.mid(from, to - from);
        painter.setPen(colors[from]);
        painter.drawText(QPointF(x, baseline), piece);
        x += metrics.horizontalAdvance(piece);
        from = to;
    }
}
