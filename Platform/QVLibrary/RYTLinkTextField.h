#pragma once

#include <functional>
#include <optional>

#include <QColor>
#include <QFont>
#include <QList>
#include <QTextDocument>
#include <QWidget>

// A text field whose text may hold one clickable link part. Text outside the
// link is drawn in the field's text colour; the link part in its own colour,
// underlined unless the underline colour is clear. A click on the link part
// runs the block.
class RYTLinkTextField : public QWidget {
    Q_OBJECT
public:
    explicit RYTLinkTextField(QWidget* parent = nullptr);

    QString text() const { return doc_.toPlainText(); }
    // Plain text without a link.
    void setText(const QString& text);
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);
    bool wordWrap() const { return wordWrap_; }
    void setWordWrap(bool wrap);

    // `linkString` is looked up in `text` (its first occurrence is the link);
    // an empty or absent link string leaves the whole text plain. Without a
    // font the field's own font applies.
    void drawLinkTextFiledAttributed(const QString& text, const QString& linkString, const QColor& textColor,
                                     const QColor& underlineColor, const std::optional<QFont>& font,
                                     std::function<void()> block);

    // The link part in text positions (start, length); length 0 when none.
    QPair<int, int> linkRange() const { return {linkStart_, linkLength_}; }
    // Where the link part is drawn, in widget coordinates; empty when none.
    QRect linkRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return wordWrap_; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuild();
    QPointF documentOrigin() const;
    int positionAt(const QPointF& point) const;

    QTextDocument doc_;
    QString plain_;
    QColor textColor_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap_ = false;
    int linkStart_ = 0;
    int linkLength_ = 0;
    QColor linkColor_;
    struct KeptRun {
        int start = 0;
        int length = 0;
        QColor color;
        QColor underline;
    };
    QList<KeptRun> keptRuns_;
    QColor underlineColor_;
    std::optional<QFont> font_;
    std::function<void()> block_;
};
