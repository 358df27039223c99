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

void ElidedLabel::setPath(const QString& path, qsizetype keepFrom, qsizetype keepTo)
{
    elidesPath_ = true;
    keptPath_ = path;
    keepFrom_ = keepFrom;
    keepTo_ = keepTo;
    setText(path);
    update();
}

QString ElidedLabel::shownText() const
{
    const int width = contentsRect().width();
    if (elidesPath_) {
        // The folders to keep belong to the path they were given with.
        const bool kept = text() == keptPath_;
        return elidedPath(text(), fontMetrics(), width, kept ? keepFrom_ : -1, kept ? keepTo_ : -1);
    }
    return fontMetrics().elidedText(text(), elideMode_, width);
}

QString ElidedLabel::elidedPath(const QString& path, const QFontMetrics& metrics, int width, qsizetype keepFrom,
                                qsizetype keepTo)
{
    const auto fits = [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; };
    if (fits(path)) {
        return path;
    }
    const QString ellipsis(QChar(0x2026));
    const QLatin1Char separator('/');
    const qsizetype last = path.lastIndexOf(separator);
    // From the front, each cut at the next separator leaves fewer folders;
    // the first that fits keeps the most of them.
    QString nearest;
    qsizetype cut = path.indexOf(separator, path.startsWith(separator) ? 1 : 0);
    for (; cut >= 0 && cut <= last; cut = path.indexOf(separator, cut + 1)) {
        if (fits(ellipsis + path.mid(cut))) {
            nearest = ellipsis + path.mid(cut);
            break;
        }
    }
    const bool keep = 0 <= keepFrom && keepFrom < keepTo && keepTo <= path.size();
    if (!nearest.isEmpty() && (!keep || cut < keepFrom)) {
        return nearest;
    }
    if (keep) {
        // The folders to keep, then the folders nearest the name that fit
        // beside them; the ones between give way.
        const QString front = (keepFrom > 0 ? ellipsis + separator : QString()) + path.mid(keepFrom, keepTo - keepFrom);
        for (qsizetype tail = path.indexOf(separator, keepTo + 1); tail >= 0 && tail <= last;
             tail = path.indexOf(separator, tail + 1)) {
            const QString shown = front + separator + ellipsis + path.mid(tail);
            if (fits(shown)) {
                return shown;
            }
        }
    }
    if (!nearest.isEmpty()) {
        return nearest;
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
