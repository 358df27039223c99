#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include <QByteArray>
#include <QImage>
#include <QString>

#include "Foundation/Error.h"
#include "Foundation/FileManager.h"

// One image of a similar-image group. The engine fills it once; afterwards
// the screen (selection) and a removal run (result) change the flags, from
// different threads, so those are atomic or locked.
class ScanImagesItem {
public:
    ScanImagesItem() = default;
    ScanImagesItem(const ScanImagesItem&) = delete;
    ScanImagesItem& operator=(const ScanImagesItem&) = delete;

    QString imageName() const { return imageName_; }
    void setImageName(const QString& v) { imageName_ = v; }
    // Text of the path for display; rawPath() is what reaches the file.
    QString imagePath() const { return imagePath_; }
    void setImagePath(const QString& v) { imagePath_ = v; }
    QByteArray rawPath() const { return rawPath_; }
    void setRawPath(const QByteArray& v) { rawPath_ = v; }
    QString pathExtension() const { return pathExtension_; }
    void setPathExtension(const QString& v) { pathExtension_ = v; }
    qint64 imageSize() const { return imageSize_; }
    void setImageSize(qint64 v) { imageSize_ = v; }
    std::optional<QString> medifiedDate() const { return medifiedDate_; }
    void setMedifiedDate(std::optional<QString> v) { medifiedDate_ = std::move(v); }
    std::optional<QString> dimension() const { return dimension_; }
    void setDimension(std::optional<QString> v) { dimension_ = std::move(v); }
    QImage thumImage() const { return thumImage_; }
    void setThumImage(const QImage& v) { thumImage_ = v; }
    // The file as the library read it (taken before its bytes were read);
    // a removal acts on nothing else.
    ItemIdentity identity() const { return identity_; }
    void setIdentity(const ItemIdentity& v) { identity_ = v; }

    bool isSelect() const { return isSelect_.load(); }
    void setIsSelect(bool v) { isSelect_.store(v); }
    bool isRemoveFailed() const { return isRemoveFailed_.load(); }
    void setIsRemoveFailed(bool v) { isRemoveFailed_.store(v); }
    std::optional<Error> removeError() const;
    void setRemoveError(std::optional<Error> error);

private:
    QString imageName_;
    QString imagePath_;
    QByteArray rawPath_;
    QString pathExtension_;
    qint64 imageSize_ = 0;
    std::optional<QString> medifiedDate_;
    std::optional<QString> dimension_;
    QImage thumImage_;
    ItemIdentity identity_;
    std::atomic<bool> isSelect_{false};
    std::atomic<bool> isRemoveFailed_{false};
    mutable std::mutex errorMutex_;
    std::optional<Error> removeError_;
};

using ScanImagesItemPtr = std::shared_ptr<ScanImagesItem>;
