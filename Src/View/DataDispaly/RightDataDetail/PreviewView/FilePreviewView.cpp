#include "FilePreviewView.h"

#include "QuickLook/MediaPlayerView.h"

#include "Foundation/Dispatch.h"
#include "QVLibrary/RYTImage.h"
#include "QuickLook/QLAudioArtwork.h"
#include "QuickLook/QLImageView.h"
#include "QuickLook/QLPreviewView.h"
#include "QuickLook/QLPreviewWork.h"
#include "QuickLook/QLThumbnail.h"
#include "View/Extension/KPLExtension.h"

#include <QApplication>
#include <QStyle>

#include <QFile>
#include <QMediaPlayer>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>


namespace {

// The bundle image shown for audio without artwork, drawn at `size`.
QImage noArtworkImage(const QSize& size, qreal scale)
{
    const QIcon icon = RYTImage::named(QStringLiteral("Group 882"));
    if (icon.isNull()) {
        return {};
    }
    const QSize side = icon.actualSize(size.isEmpty() ? QSize(160, 160) : size);
    QPixmap pixmap = icon.pixmap(side, scale);
    return pixmap.toImage();
}

}  // namespace

FilePreviewView::FilePreviewView(QWidget* parent)
    : QWidget(parent)
{
    // The generic previewer writes sizes the way the rest of the program does.
    static const bool formatterSet = [] {
        QLPreviewView::setSizeFormatter([](uint64_t bytes) { return transformedFileSize(bytes, true, true); });
        return true;
    }();
    Q_UNUSED(formatterSet);
    MediaPlayerView::warmUpBackend();
    // The preview is part of the panel's fixed white surface: a picture
    // smaller than the view sits on white, not on the screen behind.
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

FilePreviewView::~FilePreviewView()
{
    // The players belong to this view; detach them before the views go.
    if (videoPlayerView_) {
        videoPlayerView_->setPlayer(nullptr);
    }
    if (audioPlayerView_) {
        audioPlayerView_->setPlayer(nullptr);
    }
}

const QList<QPair<QString, double>>& FilePreviewView::playRates()
{
    static const QList<QPair<QString, double>> rates = {
        {QStringLiteral("0.5x speed"), 0.5},  {QStringLiteral("1.0x speed"), 1.0}, {QStringLiteral("1.25x speed"), 1.25},
        {QStringLiteral("1.5x speed"), 1.5}, {QStringLiteral("2.0x speed"), 2.0},
    };
    return rates;
}

void FilePreviewView::fillParent(QWidget* view)
{
    view->setGeometry(rect());
}

QLImageView* FilePreviewView::imageView()
{
    if (!imageView_) {
        imageView_ = new QLImageView(this);
        fillParent(imageView_);
        imageView_->show();
    }
    return imageView_;
}

QLPreviewView* FilePreviewView::previewView()
{
    if (!previewView_) {
        previewView_ = new QLPreviewView(this, QLPreviewView::Style::compact);
        // The preview lies on the panel's fixed white surface: the text
        // and the card keep their light look in the dark appearance too.
        QPalette light = QApplication::style()->standardPalette();
        light.setColor(QPalette::Base, Qt::white);
        light.setColor(QPalette::Window, Qt::white);
        previewView_->setPalette(light);
        fillParent(previewView_);
        previewView_->show();
    }
    return previewView_;
}

MediaPlayerView* FilePreviewView::videoPlayerView()
{
    if (!videoPlayerView_) {
        videoPlayerView_ = new MediaPlayerView(this);
        videoPlayerView_->setControlsStyle(MediaPlayerView::ControlsStyle::inline_);
        auto* menu = new QMenu(videoPlayerView_);
        // The titles are fixed texts, as the player's own menu has them.
        for (const auto& rate : playRates()) {
            QAction* item = menu->addAction(rate.first);
            connect(item, &QAction::triggered, this, [this, item] { setPlayRate(item); });
        }
        videoPlayerView_->setActionPopUpButtonMenu(menu);
        fillParent(videoPlayerView_);
        videoPlayerView_->show();
    }
    return videoPlayerView_;
}

MediaPlayerView* FilePreviewView::audioPlayerView()
{
    if (!audioPlayerView_) {
        audioPlayerView_ = new MediaPlayerView(this);
        audioPlayerView_->setControlsStyle(MediaPlayerView::ControlsStyle::inline_);
        fillParent(audioPlayerView_);
        audioPlayerView_->show();
    }
    return audioPlayerView_;
}

QWidget* FilePreviewView::backgroundView()
{
    if (!backgroundView_) {
        QWidget* overlay = audioPlayerView()->contentOverlayView();
        auto* fill = new QVBoxLayout(overlay);
        fill->setContentsMargins(0, 0, 0, 0);
        backgroundView_ = new QWidget(overlay);
        // A fixed white backdrop behind the artwork, in both appearances.
        backgroundView_->setAutoFillBackground(true);
        QPalette palette = backgroundView_->palette();
        palette.setColor(QPalette::Window, Qt::white);
        backgroundView_->setPalette(palette);
        fill->addWidget(backgroundView_);
    }
    return backgroundView_;
}

QLImageView* FilePreviewView::audioTitlePageView()
{
    if (!audioTitlePageView_) {
        QWidget* background = backgroundView();
        // 4 points below the top, 40 above the bottom, where the controls lie.
        auto* inset = new QVBoxLayout(background);
        inset->setContentsMargins(0, 4, 0, 40);
        audioTitlePageView_ = new QLImageView(background);
        inset->addWidget(audioTitlePageView_);
        background->layout()->activate();
        audioPlayerView()->contentOverlayView()->layout()->activate();
    }
    return audioTitlePageView_;
}

void FilePreviewView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (QWidget* view : viewers()) {
        if (view) {
            fillParent(view);
        }
    }
}

QList<QWidget*> FilePreviewView::viewers() const
{
    return {imageView_, previewView_, videoPlayerView_, audioPlayerView_};
}

void FilePreviewView::showOnly(QWidget* viewer)
{
    for (QWidget* view : viewers()) {
        if (view && view != viewer) {
            view->hide();
        }
    }
    viewer->show();
    viewer->raise();
}

void FilePreviewView::replacePlayer(MediaPlayerView* view, const QByteArray& path)
{
    QMediaPlayer* old = view->player();
    view->setPlayer(MediaPlayerView::newPlayer(path, this));
    if (old) {
        old->deleteLater();
    }
}

void FilePreviewView::showPreView(const FileInfo& file)
{
    const QByteArray path = file.path();
    currentURL_ = file.displayPath();
    closePreview();
    const quint64 generation = ++imageGeneration_;
    const qreal scale = devicePixelRatioF();
    QPointer<FilePreviewView> self(this);

    switch (file.fileType()) {
    case FileType::audio: {
        showOnly(audioPlayerView());
        QLImageView* artwork = audioTitlePageView();
        artwork->setImage({});
        const QSize box = artwork->size();
        QuickLook::runPreviewWork([self, path, box, scale, generation] {
            QImage image = QuickLook::audioArtwork(path);
            if (!image.isNull() && !box.isEmpty()) {
                const QSize pixels(qRound(box.width() * scale), qRound(box.height() * scale));
                if (image.width() > pixels.width() || image.height() > pixels.height()) {
                    image = image.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                }
                image.setDevicePixelRatio(scale);
            }
            DispatchQueue::main().async([self, generation, image] {
                if (!self || self->imageGeneration_ != generation) {
                    return;
                }
                QLImageView* view = self->audioTitlePageView();
                view->setImage(image.isNull() ? noArtworkImage(QSize(160, 160), self->devicePixelRatioF()) : image);
                emit self->imageShown();
            });
        });
        replacePlayer(audioPlayerView(), path);
        break;
    }
    case FileType::picture: {
        showOnly(imageView());
        const QSize box = size().isEmpty() ? QSize(400, 300) : size();
        QuickLook::runPreviewWork([self, path, box, scale, generation] {
            QImage image = QuickLook::thumbnailImage(path, box, scale);
            DispatchQueue::main().async([self, generation, image] {
                if (!self || self->imageGeneration_ != generation) {
                    return;
                }
                self->imageView()->setImage(image);
                emit self->imageShown();
            });
        });
        break;
    }
    case FileType::video:
        showOnly(videoPlayerView());
        replacePlayer(videoPlayerView(), path);
        break;
    case FileType::document:
    case FileType::other:
        showOnly(previewView());
        previewView()->setPreviewItem(path);
        break;
    }
}

void FilePreviewView::closePreview()
{
    if (imageView_) {
        imageView_->hide();
    }
    if (previewView_) {
        previewView_->hide();
        previewView_->setPreviewItem({});
    }
    for (MediaPlayerView* view : {videoPlayerView_, audioPlayerView_}) {
        if (view && view->player()) {
            // Stopping rewinds as one step; a seek sent while the back end
            // is still pausing can be dropped, leaving the old position.
            view->player()->stop();
        }
    }
}

void FilePreviewView::setPlayRate(QObject* sender)
{
    auto* item = qobject_cast<QAction*>(sender);
    if (!item || !videoPlayerView_ || !videoPlayerView_->player()) {
        return;
    }
    for (const auto& rate : playRates()) {
        if (rate.first == item->text()) {
            // Choosing a speed plays at that speed.
            videoPlayerView_->player()->setPlaybackRate(rate.second);
            videoPlayerView_->player()->play();
            return;
        }
    }
}
