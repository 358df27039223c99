#include "DupImagePreviewView.h"

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"

#include <QHash>
#include <QLabel>
#include <QEvent>
#include <QPainter>
#include <QRegion>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr double kCornerRadius = 8;

// Blurs the alpha of `image` (premultiplied ARGB) in place: three box passes
// along each axis, near enough a Gaussian of the given radius.
void blurAlpha(QImage& image, int radius)
{
    const int w = image.width();
    const int h = image.height();
    const int box = std::max(1, radius / 3);
    std::vector<int> line(size_t(std::max(w, h)));
    std::vector<int> out(line.size());
    const auto pass = [&](int length, const std::function<int&(int)>& at) {
        for (int i = 0; i < length; ++i) {
            line[size_t(i)] = at(i);
        }
        const int span = 2 * box + 1;
        int sum = 0;
        for (int i = -box; i <= box; ++i) {
            sum += i >= 0 && i < length ? line[size_t(i)] : 0;
        }
        for (int i = 0; i < length; ++i) {
            out[size_t(i)] = sum / span;
            const int leaving = i - box;
            const int entering = i + box + 1;
            sum += (entering < length ? line[size_t(entering)] : 0) - (leaving >= 0 ? line[size_t(leaving)] : 0);
        }
        for (int i = 0; i < length; ++i) {
            at(i) = out[size_t(i)];
        }
    };
    std::vector<int> alpha(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            alpha[size_t(y) * size_t(w) + size_t(x)] = qAlpha(row[x]);
        }
    }
    for (int round = 0; round < 3; ++round) {
        for (int y = 0; y < h; ++y) {
            pass(w, [&](int x) -> int& { return alpha[size_t(y) * size_t(w) + size_t(x)]; });
        }
        for (int x = 0; x < w; ++x) {
            pass(h, [&](int y) -> int& { return alpha[size_t(y) * size_t(w) + size_t(x)]; });
        }
    }
    image.fill(Qt::transparent);
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int a = std::clamp(alpha[size_t(y) * size_t(w) + size_t(x)], 0, 255);
            row[x] = qRgba(0, 0, 0, a);
        }
    }
}

// The shadow of a rounded rectangle as a nine-patch: a square whose corners
// hold the shadow's corners and whose middle row and column stretch along
// the edges. The shape inside is 4 × blur wide, so the middle of an edge is
// already as an edge of any length (its rounded corners too); it is cut out, so the shadow shows only
// around the image (also behind an image with transparent parts). Made once
// per pixel ratio.
struct ShadowPatch {
    QImage image;  // device pixels, ratio set
    int corner = 0;  // logical size of a corner patch
};

const ShadowPatch& shadowPatch(qreal ratio)
{
    static QHash<int, ShadowPatch> patches;
    const int key = qRound(ratio * 100);
    auto it = patches.find(key);
    if (it != patches.end()) {
        return *it;
    }
    const int blur = DupImagePreviewView::shadowBlur;
    const int corner = qCeil(kCornerRadius);
    const int inner = 4 * blur + 2 * corner + 1;
    const int side = 2 * blur + inner;
    const QSize pixels(qCeil(side * ratio), qCeil(side * ratio));
    QImage alpha(pixels, QImage::Format_ARGB32_Premultiplied);
    alpha.fill(Qt::transparent);
    const QRectF shape(blur * ratio, blur * ratio, inner * ratio, inner * ratio);
    {
        QPainter painter(&alpha);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(shape, kCornerRadius * ratio, kCornerRadius * ratio);
        painter.fillPath(path, Qt::black);
    }
    blurAlpha(alpha, qRound(blur * ratio));
    // Coloured, at the shadow's strength, with the shape taken out.
    QImage patch(pixels, QImage::Format_ARGB32_Premultiplied);
    patch.fill(Qt::transparent);
    {
        QPainter painter(&patch);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawImage(0, 0, alpha);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(patch.rect(), color256(0, 6, 14, 0.3));
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        QPainterPath path;
        path.addRoundedRect(shape, kCornerRadius * ratio, kCornerRadius * ratio);
        painter.fillPath(path, Qt::black);
    }
    patch.setDevicePixelRatio(ratio);
    ShadowPatch made;
    made.image = patch;
    made.corner = 2 * blur + corner;
    return *patches.insert(key, made);
}

// The nine-patch stretched over `target` (logical coordinates).
void drawShadow(QPainter* painter, const QRectF& target, qreal ratio)
{
    const ShadowPatch& patch = shadowPatch(ratio);
    const double c = patch.corner;
    const double side = patch.image.width() / ratio;
    const double xs[4] = {0, c, side - c, side};
    const double ys[4] = {0, c, side - c, side};
    // A target too small for two whole corners takes them squeezed.
    const double cx = std::min(c, target.width() / 2);
    const double cy = std::min(c, target.height() / 2);
    const double tx[4] = {target.left(), target.left() + cx, target.right() - cx, target.right()};
    const double ty[4] = {target.top(), target.top() + cy, target.bottom() - cy, target.bottom()};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF to(QPointF(tx[column], ty[row]), QPointF(tx[column + 1], ty[row + 1]));
            if (to.width() <= 0 || to.height() <= 0 || (row == 1 && column == 1)) {
                continue;  // the middle lies under the image
            }
            const QRectF from(QPointF(xs[column] * ratio, ys[row] * ratio), QPointF(xs[column + 1] * ratio, ys[row + 1] * ratio));
            painter->drawImage(to, patch.image, from);
        }
    }
}

}  // namespace

// The opaque middle of the preview's image: every pixel it covers is the
// image's own, so the widgets beneath it are left unpainted.
class DupImagePreviewPlate : public QWidget {
public:
    explicit DupImagePreviewPlate(DupImagePreviewView* view)
        : view_(view)
    {
        setObjectName(QStringLiteral("DupImagePreviewPlate"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!view_) {
            return;
        }
        QPainter painter(this);
        const QImage& drawn = view_->drawnImage();
        // The image's corner, in this widget's coordinates.
        const QPoint corner = view_->imageGeometry().topLeft() - geometry().topLeft();
        if (drawn.isNull()) {
            painter.fillRect(rect(), Qt::white);
            return;
        }
        painter.drawImage(corner, drawn);
    }

private:
    QPointer<DupImagePreviewView> view_;
};

DupImagePreviewView::DupImagePreviewView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DupImagePreviewView"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    plate_ = new DupImagePreviewPlate(this);
    placePlate();
}

DupImagePreviewView::~DupImagePreviewView()
{
    delete plate_.data();
}

void DupImagePreviewView::setImage(const QImage& image, const QImage& shaped)
{
    image_ = image;
    drawn_ = shaped;
    update();
    placePlate();
    if (plate_) {
        plate_->update();
    }
}

QRect DupImagePreviewView::opaqueGeometry() const
{
    if (image_.isNull()) {
        return {};
    }
    // Inside the rounded corners: the full height, the width less a corner
    // on each side.
    const int corner = int(std::ceil(kCornerRadius)) + 1;
    const QRect area = imageGeometry().adjusted(corner, 0, -corner, 0);
    return area.isEmpty() ? QRect() : area;
}

void DupImagePreviewView::placePlate()
{
    if (!plate_) {
        return;
    }
    QWidget* parent = parentWidget();
    const QRect place = opaqueGeometry();
    if (plate_->parentWidget() != parent) {
        plate_->setParent(parent);
    }
    if (!parent || place.isEmpty() || !isVisible()) {
        plate_->hide();
        return;
    }
    plate_->setGeometry(place);
    plate_->stackUnder(this);
    plate_->show();
}

bool DupImagePreviewView::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ZOrderChange:
        placePlate();
        break;
    default:
        break;
    }
    return handled;
}

const QImage& DupImagePreviewView::drawnImage()
{
    const QRect area = rect().adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(qRound(area.width() * ratio), qRound(area.height() * ratio));
    if (!image_.isNull() && !area.isEmpty() && (drawn_.isNull() || drawn_.size() != pixels)) {
        // Made by the worker for another size or ratio than the one shown.
        drawn_ = shapedImage(image_, area.size(), ratio);
    }
    return drawn_;
}

QImage DupImagePreviewView::shapedImage(const QImage& image, const QSize& logical, qreal ratio)
{
    const QSize pixels(qRound(logical.width() * ratio), qRound(logical.height() * ratio));
    if (image.isNull() || pixels.isEmpty()) {
        return {};
    }
    // Scaled by area, not through a painter's transform, which costs ten
    // times as much on a photograph.
    QImage shaped = (image.size() == pixels ? image : image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    shaped.setDevicePixelRatio(1);
    {
        // Only the four corners outside the rounded shape are taken out.
        QPainter cutter(&shaped);
        cutter.setRenderHint(QPainter::Antialiasing);
        cutter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        const QRectF whole(QPointF(0, 0), QSizeF(pixels));
        const double radius = kCornerRadius * ratio;
        const double side = std::ceil(radius) + 1;
        QPainterPath rounded;
        rounded.addRoundedRect(whole, radius, radius);
        for (const QPointF& at : {whole.topLeft(), QPointF(whole.right() - side, 0),
                                  QPointF(0, whole.bottom() - side), QPointF(whole.right() - side, whole.bottom() - side)}) {
            QPainterPath corner;
            corner.addRect(QRectF(at, QSizeF(side, side)));
            cutter.fillPath(corner.subtracted(rounded), Qt::black);
        }
    }
    shaped.setDevicePixelRatio(ratio);
    return shaped;
}

void DupImagePreviewView::setImageGeometry(const QRect& rect)
{
    setGeometry(rect.adjusted(-shadowMargin, -shadowMargin, shadowMargin, shadowMargin));
}

QRect DupImagePreviewView::imageGeometry() const
{
    return geometry().adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
}

void DupImagePreviewView::paintEvent(QPaintEvent*)
{
    if (image_.isNull()) {
        return;
    }
    const QRect area = rect().adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
    if (area.isEmpty()) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QPainter painter(this);
    // The plate beneath draws the image's middle; here the shadow and the
    // rest, around it.
    if (plate_ && plate_->isVisible()) {
        painter.setClipRegion(QRegion(rect()) - QRegion(plate_->geometry().translated(-pos())));
    }
    drawShadow(&painter, QRectF(area.adjusted(-shadowBlur, -shadowBlur, shadowBlur, shadowBlur)).translated(shadowOffsetX, 0),
               ratio);
    painter.drawImage(area.topLeft(), drawnImage());
}

DupImageUnPreviewView::DupImageUnPreviewView(QWidget* parent)
    : QWidget(parent)
    , warnImageView_(new QLabel(this))
    , titleLabel_(new QLabel(this))
{
    setObjectName(QStringLiteral("DupImageUnPreviewView"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    resize(panelWidth, panelHeight);
    warnImageView_->setGeometry(40, 56, 64, 64);
    if (const std::optional<QImage> warn = imageUncache(QStringLiteral("Header_Image"))) {
        QImage scaled = warn->scaled(QSize(64, 64) * devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(devicePixelRatioF());
        warnImageView_->setPixmap(QPixmap::fromImage(scaled));
    }
    titleLabel_->setText(localized("The image can't be previewed."));
    QPalette palette = titleLabel_->palette();
    palette.setColor(QPalette::WindowText, color256(54, 78, 101));
    titleLabel_->setPalette(palette);
    QFont font = titleLabel_->font();
    font.setPixelSize(16);
    titleLabel_->setFont(font);
    titleLabel_->setWordWrap(true);
    // Centred on the icon's middle, 325 wide.
    titleLabel_->setGeometry(128, 56, 325, 64);
    titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void DupImageUnPreviewView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 10, 10);
    painter.fillPath(path, Qt::white);
    painter.setPen(QPen(color256(224, 224, 224), 0.5));
    painter.drawPath(path);
}
