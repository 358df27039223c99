#pragma once

#include <functional>
#include <memory>

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>

#include "Model/ScanImagesItem.h"

class DupImagePreviewView;
class DupImageUnPreviewView;
class QWidget;

// Opening and closing the large preview of one image over the window's
// content, as the grid cells and the list rows do. The file is decoded on a
// worker at the content area's size; a result that arrives after the
// pointer left (or after another preview began) is dropped. One preview
// shows per window: opening one takes every other off the window first.
class DupImagePreview : public QObject {
    Q_OBJECT
public:
    using Decoder = std::function<QImage(const QByteArray& path, const QSize& pixels)>;

    explicit DupImagePreview(QWidget* owner);
    ~DupImagePreview() override;

    // Starts showing the image (over `owner`'s window).
    void previewImage(const ScanImagesItemPtr& item);
    void closePreviewWindow();

    // The last attempt could read the image; a preview is open or opening.
    bool isCanPreview() const { return isCanPreview_; }
    bool isOpenPreview() const { return isOpenPreview_; }
    bool isDecoding() const { return decoding_; }
    DupImagePreviewView* previewView() const;
    DupImageUnPreviewView* unPreviewView() const;
    // Called once a decode has been shown (the preview or the panel).
    std::function<void()> onShown;

    // The preview's size for an image of `image` in a content area of
    // `content`: the full width or the full height at the image's ratio;
    // empty for an image without size.
    static QSizeF previewSize(const QSizeF& image, const QSizeF& content);
    // The window content the preview lies over.
    static QWidget* contentViewOf(QWidget* owner);

    static void setDecoderForTesting(Decoder decoder);

private:
    void show(const QImage& image, const QImage& shaped, quint64 generation);
    // The preview's whole size in points for `image` over `content`.
    static QSize shownSize(const QImage& image, const QSize& content);
    void removeOthers(QWidget* content);

    QPointer<QWidget> owner_;
    QPointer<DupImagePreviewView> previewView_;
    QPointer<DupImageUnPreviewView> unPreviewView_;
    bool isCanPreview_ = false;
    bool isOpenPreview_ = false;
    bool decoding_ = false;
    quint64 generation_ = 0;
    std::shared_ptr<QPointer<DupImagePreview>> self_;
};
