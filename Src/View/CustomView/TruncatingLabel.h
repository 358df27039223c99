#pragma once

#include <QColor>
#include <QLabel>

// A one-line text field that shortens its text with an ellipsis where it
// does not fit (at the end, in the middle or at the start) and keeps the
// whole text as text(). Its colour is either one the owner set or a named
// colour looked up whenever it paints, so it follows the appearance; on a
// surface that stays light in the dark appearance it takes the light value.
// The colour does not dim when the field is disabled: owners show that
// themselves.
class TruncatingLabel : public QLabel {
    Q_OBJECT
public:
    // A stretch of the text in its own colour.
    struct ColorRun {
        int start = 0;
        int length = 0;
        QColor color;
        bool operator==(const ColorRun&) const = default;
    };

    explicit TruncatingLabel(QWidget* parent = nullptr);

    Qt::TextElideMode elideMode() const { return elideMode_; }
    void setElideMode(Qt::TextElideMode mode);

    // An explicit colour wins over the named one; an invalid colour clears it.
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    QString textColorName() const { return textColorName_; }
    void setTextColorName(const QString& name);
    bool onLightSurface() const { return onLightSurface_; }
    void setOnLightSurface(bool light);

    // Stretches of the text in their own colours (shown with no shortening
    // or with the end shortened), for as long as the text stays the same.
    QList<ColorRun> colorRuns() const { return colorRuns_; }
    void setColoredText(const QString& text, const QList<ColorRun>& runs);

    // The colour the text is painted in now.
    QColor effectiveTextColor() const;
    // The text as it shows at the present width.
    QString shownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<ColorRun> colorRuns_;
    QString runsText_;
    Qt::TextElideMode elideMode_ = Qt::ElideRight;
    QColor textColor_;
    QString textColorName_;
    bool onLightSurface_ = false;
};
