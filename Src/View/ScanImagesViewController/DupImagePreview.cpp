#include "DupImagePreview.h"

#include "DupImagePreviewView.h"
#include "ScanImagesCellPainting.h"
#include "Foundation/Dispatch.h"
#include "QuickLook/QLThumbnail.h"

#include <QFile>
#include <QWidget>

#include <cmath>
#include <mutex>

namespace {
std::mutex gDecoderMutex;
DupImagePreview::Decoder gDecoder;
}  // namespace

DupImagePreview::DupImagePreview(QWidget* owner)
    : QObject(owner)
    , owner_(owner)
    , self_(std::make_shared<QPointer<DupImagePreview>>(this))
{
}

DupImagePreview::~DupImagePreview()
{
    *self_ = nullptr;
    delete previewView_.data();
    delete unPreviewView_.data();
}

DupImagePreviewView* DupImagePreview::previewView() const
{
    return previewView_;
}

DupImageUnPreviewView* DupImagePreview::unPreviewView() const
{
    return unPreviewView_;
}

void DupImagePreview::setDecoderForTesting(Decoder decoder)
{
    std::lock_guard<std::mutex> lock(gDecoderMutex);
    gDecoder = std::move(decoder);
}

QWidget* DupImagePreview::contentViewOf(QWidget* owner)
{
    if (!owner) {
        return nullptr;
    }
    QWidget* window = owner->window();
    return window == owner ? nullptr : window;
}

QSizeF DupImagePreview::previewSize(const QSizeF& image, const QSizeF& content)
{
    return ScanImagesCellPainting::fitSize(image, content);
}

void DupImagePreview::removeOthers(QWidget* content)
{
    for (auto* view : content->findChildren<DupImagePreviewView*>(Qt::FindDirectChildrenOnly)) {
        if (view != previewView_) {
            view->hide();
            view->setParent(nullptr);
            view->deleteLater();
        }
    }
    for (auto* view : content->findChildren<DupImageUnPreviewView*>(Qt::FindDirectChildrenOnly)) {
        if (view != unPreviewView_) {
            view->hide();
            view->setParent(nullptr);
            view->deleteLater();
        }
    }
}

void DupImagePreview::previewImage(const ScanImagesItemPtr& item)
{
    QWidget* content = contentViewOf(owner_);
    if (!item || !content) {
        return;
    }
    const quint64 generation = ++generation_;
    isOpenPreview_ = true;
    decoding_ = true;
    const qreal ratio = content->devicePixelRatioF();
    const QSize area = content->size();
    const QSize pixels(qMax(1, qRound(area.width() * ratio)), qMax(1, qRound(area.height() * ratio)));
    const QByteArray path = item->rawPath().isEmpty() ? QFile::encodeName(item->imagePath()) : item->rawPath();
    auto self = self_;
    DispatchQueue::global().async([self, path, area, ratio, pixels, generation] {
        Decoder decoder;
        {
            std::lock_guard<std::mutex> lock(gDecoderMutex);
            decoder = gDecoder;
        }
        const QImage image = decoder ? decoder(path, pixels) : QuickLook::thumbnailImage(path, pixels, 1.0);
        // Scaled and rounded here, at the size it will show: a photograph
        // made ready on the main thread would hold it for a third of a second.
        const QImage shaped = DupImagePreviewView::shapedImage(image, shownSize(image, area), ratio);
        DispatchQueue::main().async([self, image, shaped, generation] {
            if (DupImagePreview* preview = *self) {
                preview->show(image, shaped, generation);
            }
        });
    });
}

QSize DupImagePreview::shownSize(const QImage& image, const QSize& content)
{
    const QSizeF size = previewSize(image.deviceIndependentSize(), QSizeF(content));
    return {qRound(size.width()), qRound(size.height())};
}

void DupImagePreview::show(const QImage& image, const QImage& shaped, quint64 generation)
{
    if (generation != generation_ || !isOpenPreview_) {
        return;  // the pointer left, or another image was asked for since
    }
    decoding_ = false;
    QWidget* content = contentViewOf(owner_);
    if (!content) {
        return;
    }
    removeOthers(content);
    if (image.isNull()) {
        isCanPreview_ = false;
        if (previewView_) {
            previewView_->hide();
        }
        if (!unPreviewView_) {
            unPreviewView_ = new DupImageUnPreviewView;
        }
        unPreviewView_->setParent(content);
        unPreviewView_->resize(DupImageUnPreviewView::panelWidth, DupImageUnPreviewView::panelHeight);
        unPreviewView_->move((content->width() - unPreviewView_->width()) / 2,
                             (content->height() - unPreviewView_->height()) / 2);
        unPreviewView_->show();
        unPreviewView_->raise();
    } else {
        isCanPreview_ = true;
        if (unPreviewView_) {
            unPreviewView_->hide();
        }
        if (!previewView_) {
            previewView_ = new DupImagePreviewView;
        }
        previewView_->setParent(content);
        const QSize rounded = shownSize(image, content->size());
        previewView_->setImageGeometry(QRect(QPoint((content->width() - rounded.width()) / 2,
                                                    (content->height() - rounded.height()) / 2),
                                             rounded));
        previewView_->setImage(image, shaped);
        previewView_->setVisible(!rounded.isEmpty());
        previewView_->raise();
    }
    if (onShown) {
        onShown();
    }
}

void DupImagePreview::closePreviewWindow()
{
    ++generation_;
    isOpenPreview_ = false;
    decoding_ = false;
    for (QWidget* view : {static_cast<QWidget*>(previewView_.data()), static_cast<QWidget*>(unPreviewView_.data())}) {
        if (view) {
            view->hide();
            view->setParent(nullptr);
        }
    }
}
