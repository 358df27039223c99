#pragma once

#include <QImage>
#include <QWidget>

// Shows one image centred in the view, scaled down to fit and never
// enlarged past its own size (its device pixel ratio counted).
class QLImageView : public QWidget {
    Q_OBJECT
public:
    explicit QLImageView(QWidget* parent = nullptr);

    QImage image() const { return image_; }
    void setImage(const QImage& image);

    // Where the image is drawn, in the view's coordinates; empty without one.
    QRectF imageRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};
