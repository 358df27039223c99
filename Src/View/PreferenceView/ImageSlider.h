#pragma once

#include <optional>

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QSizeF>
#include <QSlider>

// Told when the slider's value has changed.
class ImageSliderProtocol {
public:
    virtual ~ImageSliderProtocol() = default;
    virtual void imageSliderValueDidChange() = 0;
};

// A horizontal slider that draws itself: a rounded track inset from both
// ends, the part left of the knob in another colour, and a knob image. The
// mouse is followed by the same geometry it is drawn with. Without a knob
// image it draws as a standard slider.
class ImageSlider : public QSlider {
    Q_OBJECT
public:
    explicit ImageSlider(QWidget* parent = nullptr);

    double leftAlig() const { return leftAlig_; }
    void setLeftAlig(double inset);
    QIcon image() const { return image_; }
    void setImage(const QIcon& image);
    QSizeF imageSize() const { return imageSize_; }
    void setImageSize(const QSizeF& size);
    double sliderHeigh() const { return sliderHeigh_; }
    void setSliderHeigh(double height);
    std::optional<QRectF> sliderFrame() const { return sliderFrame_; }
    void setSliderFrame(std::optional<QRectF> frame);
    // The track's colours; until set, the named ones of the appearance shown.
    QColor leftColor() const;
    void setLeftColor(const QColor& color);
    QColor rightColor() const;
    void setRightColor(const QColor& color);
    // Non-owning; the owner lives as long as the slider.
    ImageSliderProtocol* imageSliderProtocol() const { return imageSliderProtocol_; }
    void setImageSliderProtocol(ImageSliderProtocol* owner) { imageSliderProtocol_ = owner; }
    double lastValue() const { return lastValue_; }

    // The drawn geometry for the present value and size.
    QRectF knobRect() const;
    QRectF trackRect() const;
    QRectF filledRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void sliderChange(SliderChange change) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double fraction() const;
    int valueAt(double x) const;
    void noteValue();

    double leftAlig_ = 11.0;
    QIcon image_;
    QSizeF imageSize_{25.0, 25.0};
    double sliderHeigh_ = 6.0;
    std::optional<QRectF> sliderFrame_;
    QColor leftColor_;
    QColor rightColor_;
    ImageSliderProtocol* imageSliderProtocol_ = nullptr;
    double lastValue_ = 0.0;
};
