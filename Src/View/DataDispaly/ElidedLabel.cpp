#include "ElidedLabel.h"

#include <QPainter>
#include <QStyle>

ElidedLabel::ElidedLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode)
{
    elideMode_ = mode;
    update();
}

void ElidedLabel::setElidesPath(bool path)
{
    if (path == elidesPath_) {
        return;
    }
    elidesPath_ = path;
    update();
}

QString ElidedLabel::shownText() const
{
    const int width = contentsRect().width();
    if (elidesPath_) {
        return elidedPath(text(), fontMetrics(), width);
    }
    return fontMetrics().elidedText(text(), elideMode_, width);
}

QString ElidedLabel::elidedPath(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width) {
        return path;
    }
    const QString ellipsis(QChar(0x2026));
    // From the front, each cut at the next separator leaves fewer folders;
    // the first that fits keeps the most of them.
    qsizetype cut = path.indexOf(QLatin1Char('/'), path.startsWith(QLatin1Char('/')) ? 1 : 0);
    const qsizetype last = path.lastIndexOf(QLatin1Char('/'));
    while (cut >= 0 && cut <= last) {
        const QString shown = ellipsis + path.mid(cut);
        if (metrics.horizontalAdvance(shown) <= width) {
            return shown;
        }
        cut = path.indexOf(QLatin1Char('/'), cut + 1);
    }
    // Not even the name fits: its end and extension stay.
    return metrics.elidedText(path.mid(last + 1), Qt::ElideMiddle, width);
}

QSize ElidedLabel::minimumSizeHint() const
{
    // Any width will do: the text shortens.
    return QSize(0, QLabel::minimumSizeHint().height());
}

void ElidedLabel::paintEvent(QPaintEvent* event)
{
    if (textFormat() != Qt::PlainText) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()) | Qt::TextSingleLine, palette(), isEnabled(),
                          shownText(), foregroundRole());
}
