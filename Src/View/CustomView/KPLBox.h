#pragma once

#include <QColor>
#include <QPointF>
#include <QPointer>
#include <QWidget>

#include "QVLibrary/RYTShadow.h"

class QVBoxLayout;

// A box that shows one content view at a time, filling it, on a rounded
// fill with an optional border and a soft shadow below. A view taken out of
// the box is hidden and stays where Qt's parents put it (the box made it a
// child): whoever made it decides when it goes.
class KPLBox : public QWidget {
    Q_OBJECT
public:
    explicit KPLBox(QWidget* parent = nullptr);
    ~KPLBox() override;

    QWidget* contentView() const { return content_; }
    // Puts `view` in the box; the view shown so far is hidden. Nothing
    // happens when `view` is already the content.
    void setContentView(QWidget* view);

    QColor fillColor() const { return fillColor_; }
    void setFillColor(const QColor& color);
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& color);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);

    // A shadow of `color` (its alpha is the strongest), moved by `offset`
    // and softened over `blur` pixels; the content keeps clear of it.
    void setShadow(const QColor& color, const QPointF& offset, double blur);
    bool hasShadow() const { return shadow_.isVisible(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateMargins();

    QVBoxLayout* layout_;
    QPointer<QWidget> content_;
    QColor fillColor_;
    QColor borderColor_;
    double borderWidth_ = 0.0;
    double cornerRadius_ = 0.0;
    RYTShadow shadow_;
};
