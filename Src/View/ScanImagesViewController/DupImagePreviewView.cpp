#include "DupImagePreviewView.h"

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

DupImagePreviewView::DupImagePreviewView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DupImagePreviewView"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(3, 0);
    shadow->setBlurRadius(30);
    shadow->setColor(color256(0, 6, 14, 0.3));
    setGraphicsEffect(shadow);
}

void DupImagePreviewView::setImage(const QImage& image)
{
    image_ = image;
    update();
}

void DupImagePreviewView::paintEvent(QPaintEvent*)
{
    if (image_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 8, 8);
    painter.setClipPath(clip);
    painter.drawImage(QRectF(rect()), image_);
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
