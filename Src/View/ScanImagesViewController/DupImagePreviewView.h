#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

// The large preview of an image, laid over the window's content: rounded,
// with a soft shadow, the image drawn to the view's whole size. It never
// takes the mouse, so the thumbnail under it keeps telling where the
// pointer is.
class DupImagePreviewView : public QWidget {
    Q_OBJECT
public:
    explicit DupImagePreviewView(QWidget* parent = nullptr);

    QImage image() const { return image_; }
    void setImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// The panel shown instead when the file cannot be read as an image: the
// warning image and "The image can't be previewed." on white, 520 × 176.
class DupImageUnPreviewView : public QWidget {
    Q_OBJECT
public:
    explicit DupImageUnPreviewView(QWidget* parent = nullptr);

    QLabel* warnImageView() const { return warnImageView_; }
    QLabel* titleLabel() const { return titleLabel_; }

    static constexpr int panelWidth = 520;
    static constexpr int panelHeight = 176;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* warnImageView_;
    QLabel* titleLabel_;
};
