#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

class QLabel;

// The large preview of an image, laid over the window's content: rounded,
// with a soft shadow around it. The view reaches `shadowMargin` beyond the
// image on every side to hold the shadow; both are drawn from images made
// once (the shadow's blur once per pixel ratio, the image at its size on
// screen, which the preview's worker makes), so a repaint of what lies
// beneath costs only a copy. It never takes the mouse, so the thumbnail
// under it keeps telling where the pointer is.
class DupImagePreviewView : public QWidget {
    Q_OBJECT
public:
    explicit DupImagePreviewView(QWidget* parent = nullptr);

    // How far the shadow reaches beyond the image: its blur and offset.
    static constexpr int shadowBlur = 30;
    static constexpr int shadowOffsetX = 3;
    static constexpr int shadowMargin = shadowBlur + shadowOffsetX;

    QImage image() const { return image_; }
    // `shaped`, when given, is the image already made for `logical` at the
    // view's ratio (see shapedImage); the view then draws it as it is.
    void setImage(const QImage& image, const QImage& shaped = QImage());
    // `image` scaled to `logical` × `ratio` device pixels with its corners
    // rounded, ratio set; safe on any thread.
    static QImage shapedImage(const QImage& image, const QSize& logical, qreal ratio);
    // Places the image at `rect` of the parent; the view takes the rectangle
    // with the shadow's margin around it.
    void setImageGeometry(const QRect& rect);
    // Where the image lies, in the parent's coordinates.
    QRect imageGeometry() const;
    // The opaque part of the image, drawn by a widget of its own just
    // beneath this view and beside it in the parent, so what lies under it is
    // not painted at all while the preview covers it (this view, translucent
    // for its shadow, cannot hide anything). In the parent's coordinates;
    // empty when there is none.
    QRect opaqueGeometry() const;
    QWidget* plate() const { return plate_; }
    ~DupImagePreviewView() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class DupImagePreviewPlate;
    void placePlate();
    // The image as drawn now, made for the present size and ratio.
    const QImage& drawnImage();

    QImage image_;
    // The image cut to its rounded shape at the size it is drawn, in device
    // pixels; made again here only when the size or the ratio changed since.
    QImage drawn_;
    QPointer<QWidget> plate_;
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
