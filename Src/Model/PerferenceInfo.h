#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

class QObject;

#include "Foundation/PropertyList.h"
#include "Model/PreferenceScanProtocol.h"

// The settings of the whole program, read from "PreferenceInfo.plist" in the
// application-support folder. Each object is a snapshot of the file taken
// when it is made; a missing file is created with the defaults first, a
// damaged one is set aside under a dated name beside it (and replaced by the
// defaults), and one that cannot be read is left alone, never rewritten,
// while the defaults apply.
class PerferenceInfo : public PreferenceScanProtocol {
public:
    PerferenceInfo();
    // Settings taken from a dictionary in hand instead of the file, which is
    // neither read nor created.
    explicit PerferenceInfo(const PlistDict& data);

    // Writes dataDict() to the settings file and, unless a duplicate scan
    // runs, hands the duplicate engine a fresh object. Returns whether the
    // file was written; a failure is logged and the engine keeps its settings.
    bool setPerenceInfo(const PlistDict& data = {});
    // The same without waiting for the disk: dataDict() is handed to the
    // settings file's writer, which writes it on a worker. Saves handed over
    // while one is written collapse into the latest. Until the file holds it,
    // every new settings object (and storedSettings()) reads the dictionary
    // handed over instead of the file. Once written, unless a duplicate scan
    // runs, the duplicate engine gets a fresh object. `done` runs on the
    // main thread, while `context` lives, with whether the file took the
    // latest save; a save overtaken by a later one reports nothing.
    void setPerenceInfoInBackground(QObject* context, std::function<void(bool written)> done);
    // Waits at most `bound` until every save handed over is written and
    // reported; false when one still was not.
    static bool waitForBackgroundSaves(std::chrono::milliseconds bound);
    // The settings file's contents as the next reader gets them: a save
    // still being written, else what the file holds (none when it cannot be
    // read; a damaged file is set aside, as when an object is made).
    static std::optional<QVariant> storedSettings();

    static QString settingsPath();
    // The 23 keys with their defaults, in stored order.
    static PlistDict defaultDictionary();
    // A size text in a unit ("KB", "MB", "GB"; anything else counts as KB)
    // as bytes: empty text gives none, text that is no number gives 0, a
    // negative count or one that does not fit in 64 bits gives none (no limit).
    static std::optional<int64_t> bytesOfSizeText(const QString& text, const QString& unit);

    bool enableMaxSize() const override { return enableMaxSize_; }
    void setEnableMaxSize(bool value) override { enableMaxSize_ = value; }
    bool enableMinSize() const override { return enableMinSize_; }
    void setEnableMinSize(bool value) override { enableMinSize_ = value; }
    std::optional<int64_t> maxFileSize() const override { return maxFileSize_; }
    void setMaxFileSize(std::optional<int64_t> value) override { maxFileSize_ = value; }
    QString localMaxFileSize() const { return localMaxFileSize_; }
    void setLocalMaxFileSize(const QString& value) { localMaxFileSize_ = value; }
    std::optional<int64_t> minFileSize() const override { return minFileSize_; }
    void setMinFileSize(std::optional<int64_t> value) override { minFileSize_ = value; }
    QString localMinFileSize() const { return localMinFileSize_; }
    void setLocalMinFileSize(const QString& value) { localMinFileSize_ = value; }
    bool omitHiddenFile() const override { return omitHiddenFile_; }
    void setOmitHiddenFile(bool value) override { omitHiddenFile_ = value; }
    bool omitZeroByteFile() const override { return omitZeroByteFile_; }
    void setOmitZeroByteFile(bool value) override { omitZeroByteFile_ = value; }
    bool maxSelectState() const { return maxSelectState_; }
    void setMaxSelectState(bool value) { maxSelectState_ = value; }
    bool minSelectState() const { return minSelectState_; }
    void setMinSelectState(bool value) { minSelectState_ = value; }
    QString maxByteType() const { return maxByteType_; }
    void setMaxByteType(const QString& value) { maxByteType_ = value; }
    QString minByteType() const { return minByteType_; }
    void setMinByteType(const QString& value) { minByteType_ = value; }
    QList<QUrl> whiteListPath() const override { return whiteListPath_; }
    void setWhiteListPath(QList<QUrl> value) override { whiteListPath_ = std::move(value); }
    QStringList localWhiteList() const { return localWhiteList_; }
    void setLocalWhiteList(const QStringList& value) { localWhiteList_ = value; }
    QStringList dupImagesWhiteListPath() const { return dupImagesWhiteListPath_; }
    void setDupImagesWhiteListPath(const QStringList& value) { dupImagesWhiteListPath_ = value; }
    QStringList localLargeFileWhiteListPath() const { return localLargeFileWhiteListPath_; }
    void setLocalLargeFileWhiteListPath(const QStringList& value) { localLargeFileWhiteListPath_ = value; }
    QList<QUrl> largeFileWhiteListPath() const override { return largeFileWhiteListPath_; }
    void setLargeFileWhiteListPath(QList<QUrl> value) override { largeFileWhiteListPath_ = std::move(value); }
    bool omitVideo() const override { return omitVideo_; }
    void setOmitVideo(bool value) override { omitVideo_ = value; }
    bool omitAudio() const override { return omitAudio_; }
    void setOmitAudio(bool value) override { omitAudio_ = value; }
    bool omitPicture() const override { return omitPicture_; }
    void setOmitPicture(bool value) override { omitPicture_ = value; }
    bool omitDocument() const override { return omitDocument_; }
    void setOmitDocument(bool value) override { omitDocument_ = value; }
    bool omitOther() const override { return omitOther_; }
    void setOmitOther(bool value) override { omitOther_ = value; }
    int threshold() const { return threshold_; }
    void setThreshold(int value) { threshold_ = value; }
    bool similarImageEnableMaxSize() const { return similarImageEnableMaxSize_; }
    void setSimilarImageEnableMaxSize(bool value) { similarImageEnableMaxSize_ = value; }
    bool similarImageEnableMinSize() const { return similarImageEnableMinSize_; }
    void setSimilarImageEnableMinSize(bool value) { similarImageEnableMinSize_ = value; }
    std::optional<int64_t> similarImageMinFileSize() const { return similarImageMinFileSize_; }
    void setSimilarImageMinFileSize(std::optional<int64_t> value) { similarImageMinFileSize_ = value; }
    std::optional<int64_t> similarImageMaxFileSize() const { return similarImageMaxFileSize_; }
    void setSimilarImageMaxFileSize(std::optional<int64_t> value) { similarImageMaxFileSize_ = value; }
    bool similarImageMaxSelectState() const { return similarImageMaxSelectState_; }
    void setSimilarImageMaxSelectState(bool value) { similarImageMaxSelectState_ = value; }
    bool similarImageMinSelectState() const { return similarImageMinSelectState_; }
    void setSimilarImageMinSelectState(bool value) { similarImageMinSelectState_ = value; }
    QString similarImageMaxByteType() const { return similarImageMaxByteType_; }
    void setSimilarImageMaxByteType(const QString& value) { similarImageMaxByteType_ = value; }
    QString similarImageMinByteType() const { return similarImageMinByteType_; }
    void setSimilarImageMinByteType(const QString& value) { similarImageMinByteType_ = value; }
    QString similarImageLocalMaxFileSize() const { return similarImageLocalMaxFileSize_; }
    void setSimilarImageLocalMaxFileSize(const QString& value) { similarImageLocalMaxFileSize_ = value; }
    QString similarImageLocalMinFileSize() const { return similarImageLocalMinFileSize_; }
    void setSimilarImageLocalMinFileSize(const QString& value) { similarImageLocalMinFileSize_ = value; }

    // The file's contents as loaded; the preferences screen edits this and
    // setPerenceInfo() writes it.
    PlistDict& dataDict() { return dataDict_; }
    const PlistDict& dataDict() const { return dataDict_; }
    void setDataDict(const PlistDict& value) { dataDict_ = value; }
    const PlistDict& dic() const { return dic_; }

private:
    void fill();

    bool enableMaxSize_ = false;
    bool enableMinSize_ = false;
    std::optional<int64_t> maxFileSize_;
    QString localMaxFileSize_;
    std::optional<int64_t> minFileSize_;
    QString localMinFileSize_;
    bool omitHiddenFile_ = true;
    bool omitZeroByteFile_ = true;
    bool maxSelectState_ = false;
    bool minSelectState_ = false;
    QString maxByteType_ = QStringLiteral("MB");
    QString minByteType_ = QStringLiteral("MB");
    QList<QUrl> whiteListPath_;
    QStringList localWhiteList_;
    QStringList dupImagesWhiteListPath_;
    QStringList localLargeFileWhiteListPath_;
    QList<QUrl> largeFileWhiteListPath_;
    bool omitVideo_ = true;
    bool omitAudio_ = true;
    bool omitPicture_ = true;
    bool omitDocument_ = true;
    bool omitOther_ = true;
    int threshold_ = 85;
    bool similarImageEnableMaxSize_ = false;
    bool similarImageEnableMinSize_ = false;
    std::optional<int64_t> similarImageMinFileSize_;
    std::optional<int64_t> similarImageMaxFileSize_;
    bool similarImageMaxSelectState_ = false;
    bool similarImageMinSelectState_ = false;
    QString similarImageMaxByteType_ = QStringLiteral("MB");
    QString similarImageMinByteType_ = QStringLiteral("MB");
    QString similarImageLocalMaxFileSize_;
    QString similarImageLocalMinFileSize_;
    PlistDict dataDict_;
    PlistDict dic_;
};
