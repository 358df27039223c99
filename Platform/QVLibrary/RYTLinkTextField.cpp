#include "RYTLinkTextField.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QtMath>

RYTLinkTextField::RYTLinkTextField(QWidget* parent)
    : QWidget(parent)
{
    doc_.setDocumentMargin(0);
    setMouseTracking(true);
    rebuild();
}

void RYTLinkTextField::setText(const QString& text)
{
    plain_ = text;
    linkStart_ = 0;
    linkLength_ = 0;
    keptRuns_.clear();
    block_ = nullptr;
    font_.reset();
    rebuild();
}

void RYTLinkTextField::setTextColor(const QColor& color)
{
    textColor_ = color;
    rebuild();
}

void RYTLinkTextField::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    rebuild();
}

void RYTLinkTextField::setWordWrap(bool wrap)
{
    wordWrap_ = wrap;
    rebuild();
}

void RYTLinkTextField::drawLinkTextFiledAttributed(const QString& text, const QString& linkString,
                                                   const QColor& textColor, const QColor& underlineColor,
                                                   const std::optional<QFont>& font, std::function<void()> block)
{
    // Drawn again over the same text, the earlier link part keeps its look
    // (only the new part takes clicks): two numbers of one line can both
    // stand out.
    if (text == plain_ && linkLength_ > 0) {
        keptRuns_.append(KeptRun{linkStart_, linkLength_, linkColor_, underlineColor_});
    } else {
        keptRuns_.clear();
    }
    plain_ = text;
    const int at = linkString.isEmpty() ? -1 : text.indexOf(linkString);
    linkStart_ = at < 0 ? 0 : at;
    linkLength_ = at < 0 ? 0 : linkString.size();
    linkColor_ = textColor;
    underlineColor_ = underlineColor;
    font_ = font;
    block_ = std::move(block);
    rebuild();
}

void RYTLinkTextField::rebuild()
{
    const QFont base = font_.value_or(font());
    doc_.setDefaultFont(base);
    QTextOption option;
    option.setAlignment(alignment_ & Qt::AlignHorizontal_Mask);
    option.setWrapMode(wordWrap_ ? QTextOption::WordWrap : QTextOption::NoWrap);
    doc_.setDefaultTextOption(option);
    doc_.setPlainText(plain_);

    QTextCharFormat plainFormat;
    plainFormat.setForeground(textColor_.isValid() ? textColor_ : palette().color(QPalette::WindowText));
    plainFormat.setFont(base);
    QTextCursor all(&doc_);
    all.select(QTextCursor::Document);
    all.setCharFormat(plainFormat);

    for (const KeptRun& run : keptRuns_) {
        QTextCharFormat kept = plainFormat;
        kept.setForeground(run.color.isValid() ? run.color : palette().color(QPalette::Link));
        const bool underline = run.underline.isValid() && run.underline.alpha() > 0;
        kept.setFontUnderline(underline);
        if (underline) {
            kept.setUnderlineColor(run.underline);
        }
        QTextCursor cursor(&doc_);
        cursor.setPosition(std::min<int>(run.start, int(plain_.size())));
        cursor.setPosition(std::min<int>(run.start + run.length, int(plain_.size())), QTextCursor::KeepAnchor);
        cursor.setCharFormat(kept);
    }
    if (linkLength_ > 0) {
        QTextCharFormat linkFormat = plainFormat;
        linkFormat.setForeground(linkColor_.isValid() ? linkColor_ : palette().color(QPalette::Link));
        const bool underline = underlineColor_.isValid() && underlineColor_.alpha() > 0;
        linkFormat.setFontUnderline(underline);
        if (underline) {
            linkFormat.setUnderlineColor(underlineColor_);
        }
        QTextCursor link(&doc_);
        link.setPosition(linkStart_);
        link.setPosition(linkStart_ + linkLength_, QTextCursor::KeepAnchor);
        link.setCharFormat(linkFormat);
    }
    doc_.setTextWidth(wordWrap_ ? width() : -1);
    updateGeometry();
    update();
}

QPointF RYTLinkTextField::documentOrigin() const
{
    const QSizeF size = doc_.size();
    double x = 0;
    if (!wordWrap_) {
        if (alignment_ & Qt::AlignHCenter) {
            x = (width() - size.width()) / 2.0;
        } else if (alignment_ & Qt::AlignRight) {
            x = width() - size.width();
        }
    }
    double y = 0;
    if (alignment_ & Qt::AlignVCenter) {
        y = (height() - size.height()) / 2.0;
    } else if (alignment_ & Qt::AlignBottom) {
        y = height() - size.height();
    }
    return {x, y};
}

int RYTLinkTextField::positionAt(const QPointF& point) const
{
    return doc_.documentLayout()->hitTest(point - documentOrigin(), Qt::ExactHit);
}

QRect RYTLinkTextField::linkRect() const
{
    if (linkLength_ <= 0) {
        return {};
    }
    QRectF result;
    const QPointF origin = documentOrigin();
    for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        const QPointF blockOrigin = doc_.documentLayout()->blockBoundingRect(block).topLeft() + origin;
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const int lineStart = block.position() + line.textStart();
            const int lineEnd = lineStart + line.textLength();
            const int from = qMax(lineStart, linkStart_);
            const int to = qMin(lineEnd, linkStart_ + linkLength_);
            if (from >= to) {
                continue;
            }
            const double x1 = line.cursorToX(from - block.position());
            const double x2 = line.cursorToX(to - block.position());
            result |= QRectF(blockOrigin.x() + qMin(x1, x2), blockOrigin.y() + line.y(), qAbs(x2 - x1), line.height());
        }
    }
    return result.toAlignedRect();
}

QSize RYTLinkTextField::sizeHint() const
{
    QTextDocument probe;
    probe.setDocumentMargin(0);
    probe.setDefaultFont(doc_.defaultFont());
    probe.setPlainText(plain_);
    const QSizeF size = probe.size();
    return QSize(qCeil(size.width()) + 1, qMax(qCeil(size.height()), fontMetrics().height()));
}

QSize RYTLinkTextField::minimumSizeHint() const
{
    if (wordWrap_) {
        return QSize(20, fontMetrics().height());
    }
    return sizeHint();
}

int RYTLinkTextField::heightForWidth(int width) const
{
    QTextDocument probe;
    probe.setDocumentMargin(0);
    probe.setDefaultFont(doc_.defaultFont());
    probe.setDefaultTextOption(doc_.defaultTextOption());
    probe.setPlainText(plain_);
    probe.setTextWidth(width);
    return qCeil(probe.size().height());
}

void RYTLinkTextField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.translate(documentOrigin());
    doc_.drawContents(&painter);
}

void RYTLinkTextField::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && linkLength_ > 0) {
        const int pos = positionAt(event->position());
        if (pos >= linkStart_ && pos < linkStart_ + linkLength_ && block_) {
            const auto block = block_;  // the block may replace the text
            block();
            event->accept();
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void RYTLinkTextField::mouseMoveEvent(QMouseEvent* event)
{
    const int pos = linkLength_ > 0 ? positionAt(event->position()) : -1;
    const bool overLink = pos >= linkStart_ && pos < linkStart_ + linkLength_;
    if (overLink) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}

void RYTLinkTextField::resizeEvent(QResizeEvent* event)
{
    if (wordWrap_) {
        doc_.setTextWidth(width());
    }
    QWidget::resizeEvent(event);
}

void RYTLinkTextField::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        rebuild();
    }
    QWidget::changeEvent(event);
}
