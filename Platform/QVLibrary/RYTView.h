#pragma once

#include <QColor>
#include <QSizeF>
#include <QWidget>

// A plain view that paints its own background, border and rounded corners.
// The corner radius is a size whose width is the radius.
class RYTView : public QWidget {
    Q_OBJECT
public:
    explicit RYTView(QWidget* parent = nullptr);

    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& color);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    QSizeF cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(const QSizeF& radius);

protected:
    void paintEvent(QPaintEvent* event) override;
    // The fill painted now; subclasses with states pick another.
    virtual QColor currentBackgroundColor() const { return backgroundColor_; }

private:
    QColor backgroundColor_;
    QColor borderColor_;
    double borderWidth_ = 0.0;
    QSizeF cornerRadius_;
};
