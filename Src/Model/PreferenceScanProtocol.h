#pragma once

#include <cstdint>
#include <optional>

#include <QList>
#include <QUrl>

// The settings the file walks read. Sizes are in bytes.
class PreferenceScanProtocol {
public:
    virtual ~PreferenceScanProtocol() = default;

    virtual bool enableMaxSize() const = 0;
    virtual void setEnableMaxSize(bool value) = 0;
    virtual bool enableMinSize() const = 0;
    virtual void setEnableMinSize(bool value) = 0;
    virtual std::optional<int64_t> maxFileSize() const = 0;
    virtual void setMaxFileSize(std::optional<int64_t> value) = 0;
    virtual std::optional<int64_t> minFileSize() const = 0;
    virtual void setMinFileSize(std::optional<int64_t> value) = 0;
    virtual bool omitHiddenFile() const = 0;
    virtual void setOmitHiddenFile(bool value) = 0;
    virtual bool omitZeroByteFile() const = 0;
    virtual void setOmitZeroByteFile(bool value) = 0;
    virtual QList<QUrl> whiteListPath() const = 0;
    virtual void setWhiteListPath(QList<QUrl> value) = 0;
    virtual QList<QUrl> largeFileWhiteListPath() const = 0;
    virtual void setLargeFileWhiteListPath(QList<QUrl> value) = 0;
    // True: files of that kind are taken into the scan.
    virtual bool omitVideo() const = 0;
    virtual void setOmitVideo(bool value) = 0;
    virtual bool omitAudio() const = 0;
    virtual void setOmitAudio(bool value) = 0;
    virtual bool omitPicture() const = 0;
    virtual void setOmitPicture(bool value) = 0;
    virtual bool omitDocument() const = 0;
    virtual void setOmitDocument(bool value) = 0;
    virtual bool omitOther() const = 0;
    virtual void setOmitOther(bool value) = 0;
};
