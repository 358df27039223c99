#include "ScanImagesManager.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>

#include "DiskInfo.h"
#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/PropertyList.h"
#include "Foundation/ResourceValues.h"
#include "Manager/TrashFolders.h"
#include "Model/PerferenceInfo.h"
#include "QLThumbnail.h"
#include "QVBaseLib/Helper.h"
#include "QVBaseLib/RYLog.h"

namespace {

// The engine whose search is running; the library's callbacks are plain
// functions and find it here.
std::atomic<ScanImagesManager*> gSearching{nullptr};

void progressCallback(ProgressType type, JsonData data)
{
    if (ScanImagesManager* manager = gSearching.load()) {
        manager->progressDidChanged(QByteArray(data.data, int(data.length)), type);
    }
}

void foundDupCallback(JsonData data)
{
    if (ScanImagesManager* manager = gSearching.load()) {
        manager->jsonDataDidChanged(QByteArray(data.data, int(data.length)));
    }
}

void writeLog(const QString& text)
{
    RYLog::shared().writeData(text);
}

const char* const kExtensions[] = {".jpg", ".jpeg", ".png", ".bmp", ".dib", ".jp2", ".jpe", ".pbm", ".pgm",
                                   ".pic", ".pnm", ".ppm", ".exr", ".hdr", ".ras", ".tif", ".tiff", ".webp"};

// A size limit in bytes as the library's 32-bit field holds it: larger
// limits become the largest value that fits, negative ones none.
int32_t fieldSize(qint64 bytes)
{
    return int32_t(std::clamp<qint64>(bytes, 0, std::numeric_limits<int32_t>::max()));
}

QByteArray trimmed(const QByteArray& folder)
{
    QByteArray out = folder;
    while (out.size() > 1 && out.endsWith('/')) {
        out.chop(1);
    }
    return out;
}

// `path` is `folder` or lies inside it, by whole components.
bool liesIn(const QByteArray& path, const QByteArray& folder)
{
    if (folder == "/") {
        return path.startsWith('/');
    }
    return path == folder || path.startsWith(folder + '/');
}

}  // namespace

struct ScanImagesManager::SearchSettings {
    qint64 maxSize = 0;
    qint64 minSize = 0;
    double threshold = 85;
    QByteArrayList whiteList;
    bool hidden = false;
    QVariant loaded;
};

SimagexFunctions SimagexFunctions::library()
{
    SimagexFunctions f;
    f.initImageDuplicate = &InitImageDuplicate;
    f.findDuplicates = &FindDuplicates;
    f.stopFindDuplicates = &StopFindDuplicates;
    return f;
}

const std::map<int, QString>& ScanImagesManager::kErrorCodeMsg()
{
    static const std::map<int, QString> table = [] {
        std::map<int, QString> t;
        for (int code = kOk; code <= kSaveImageFailed; ++code) {
            t[code] = QString::fromUtf8(SimagexErrorMessage(code));
        }
        return t;
    }();
    return table;
}

ScanImagesManager& ScanImagesManager::shared()
{
    static ScanImagesManager manager(SimagexFunctions::library());
    return manager;
}

ScanImagesManager::ScanImagesManager(SimagexFunctions functions)
    : functions_(functions)
    , builds_(std::make_unique<DispatchQueue>(QStringLiteral("ScanImagesManager.images")))
{
    const QString folder = RYLog::shared().logPath();
    QFile::remove(folder + QStringLiteral("/SimagexSDK.log"));
    const int code = functions_.initImageDuplicate
        ? functions_.initImageDuplicate(QFile::encodeName(folder).constData(), "")
        : kInitLogFailed;
    writeLog(code == kOk ? QStringLiteral("初始化日志成功") : QStringLiteral("初始化日志失败"));
}

ScanImagesManager::~ScanImagesManager()
{
    waitForRemoval();
    builds_->waitForIdle();
    ScanImagesManager* self = this;
    gSearching.compare_exchange_strong(self, nullptr);
}

double ScanImagesManager::now() const
{
    if (clock_) {
        return clock_();
    }
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

ScanImagesGroupList ScanImagesManager::dupImages() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    ScanImagesGroupList copy;
    copy.reserve(imagesArray_.size());
    for (const auto& group : imagesArray_) {
        copy.append(group->clone());
    }
    return copy;
}

ScanImagesGroupList ScanImagesManager::snapshot(const ScanImagesGroupList& groups) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    ScanImagesGroupList copy;
    copy.reserve(groups.size());
    for (const auto& group : groups) {
        if (group) {
            copy.append(group->clone());
        }
    }
    return copy;
}

qint64 ScanImagesManager::groupNameNum() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return groupNameNum_;
}

QByteArray ScanImagesManager::removePath() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return removePath_;
}

void ScanImagesManager::setRemovePath(const QByteArray& path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    removePath_ = path;
}

void ScanImagesManager::removeDupimagesArray()
{
    std::lock_guard<std::mutex> lock(mutex_);
    imagesArray_.clear();
}

QByteArrayList ScanImagesManager::scanFolderList() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return scanFolderList_;
}

void ScanImagesManager::isContainFolder(const QByteArray& given)
{
    const QByteArray folder = trimmed(given);
    std::lock_guard<std::mutex> lock(mutex_);
    for (const QByteArray& listed : scanFolderList_) {
        if (liesIn(folder, listed)) {
            return;  // already covered (or listed)
        }
    }
    QByteArrayList merged;
    for (const QByteArray& listed : scanFolderList_) {
        if (!liesIn(listed, folder)) {
            merged.append(listed);
        }
    }
    merged.append(folder);
    scanFolderList_ = merged;
}

QList<LeftOutFolder> ScanImagesManager::leftOutFolders() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return leftOutFolders_;
}

void ScanImagesManager::leaveOutTrash()
{
    // What lies in the Trash the user has already removed: an image there is
    // never offered beside the one the user kept. The library does not enter
    // a Trash folder it meets; one that was chosen is named here.
    const TrashFolders trash;
    QByteArrayList kept;
    QList<LeftOutFolder> leftOut;
    for (const QByteArray& folder : scanFolderList()) {
        if (trash.holds(folder)) {
            leftOut.append({FilePath::absolute(folder), LeftOutFolder::Reason::trash});
        } else {
            kept.append(folder);
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    scanFolderList_ = kept;
    leftOutFolders_ = leftOut;
}

qint64 ScanImagesManager::getFileSize(const QString& number, const QString& sizeType)
{
    bool ok = false;
    const qint64 value = number.trimmed().toLongLong(&ok);
    if (!ok || value <= 0) {
        return 0;
    }
    const qint64 factor = sizeType == QLatin1String("KB") ? 1000 : sizeType == QLatin1String("MB") ? 1000000 : 1000000000;
    if (value > std::numeric_limits<qint64>::max() / factor) {
        return std::numeric_limits<qint64>::max();
    }
    return value * factor;
}

ScanImagesManager::SearchSettings ScanImagesManager::readSettings() const
{
    SearchSettings s;
    // A save still being written counts as the file.
    const std::optional<QVariant> file = PerferenceInfo::storedSettings();
    PlistDict dict;
    if (file && file->canConvert<PlistDict>()) {
        dict = file->value<PlistDict>();
        s.loaded = *file;
    }
    const auto text = [&](const char* key) { return dict.value(QLatin1String(key)).toString(); };
    const auto flag = [&](const char* key) {
        const QVariant v = dict.value(QLatin1String(key));
        return v.typeId() == QMetaType::Bool ? v.toBool() : (v.isValid() && v.toString() == QLatin1String("1"));
    };
    if (flag("similarImageMaxSelect")) {
        s.maxSize = getFileSize(text("similarImageMaxFileSize"), text("similarImageMaxSizeType"));
    }
    if (flag("similarImageMinSelect")) {
        s.minSize = getFileSize(text("similarImageMinFileSize"), text("similarImageMinSizeType"));
    }
    const QVariant threshold = dict.value(QStringLiteral("threshold"));
    if (threshold.isValid()) {
        bool ok = false;
        const double value = threshold.toString().trimmed().toDouble(&ok);
        // A value that is no number keeps the default rather than the loosest setting.
        s.threshold = ok ? std::clamp(value, 20.0, 100.0) : 85.0;
    }
    for (const QVariant& entry : dict.value(QStringLiteral("DupImagesWhiteListPath")).toList()) {
        if (entry.typeId() == QMetaType::QString && !entry.toString().isEmpty()) {
            s.whiteList.append(FilePath::fromStoredText(entry.toString()));
        }
    }
    s.hidden = flag("hiddenFile");
    return s;
}

bool ScanImagesManager::waitUntilSearchEnds(int timeoutMs) const
{
    std::unique_lock lock(searchMutex_);
    return searchEnded_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [this] { return searchesRunning_.load() == 0; });
}

void ScanImagesManager::findDuplicateImages(const QByteArrayList& folders)
{
    // Cleared before the search counts as running: a stop from then on
    // belongs to this search.
    stopRequested_.store(false);
    finalReported_.store(false);
    searchesRunning_.fetch_add(1);
    // Counted down after the last report of the search, whatever its end.
    struct SearchEnd {
        ScanImagesManager* engine;
        ~SearchEnd()
        {
            // Notified under the lock: a waiter that wakes may end the program.
            std::lock_guard lock(engine->searchMutex_);
            engine->searchesRunning_.fetch_sub(1);
            engine->searchEnded_.notify_all();
        }
    } searchEnd{this};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        scanFolderList_.clear();
    }
    for (const QByteArray& folder : folders) {
        isContainFolder(folder);
    }
    leaveOutTrash();
    writeLog(QStringLiteral("<<<相似图片开始扫描"));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        startScanTime_ = now();
        imagesArray_.clear();
        searchGeneration_.fetch_add(1);
        acceptingResults_ = true;
    }
    removeImagesSuccessCount_.store(0);
    removeImagesSuccessSize_.store(0);

    const SearchSettings settings = readSettings();
    writeLog(QStringLiteral("%1").arg(QString::fromUtf8(
        PropertyList::serialize(settings.loaded, PropertyList::Format::xml).value_or(QByteArray()))));

    // "/" and the users folder stand for the home folder.
    const QByteArray home = trimmed(QFile::encodeName(DiskInfo::customHomeDirectory()));
    const QByteArray absoluteHome = QFile::encodeName(QDir(QFile::decodeName(home)).absolutePath());
    const QByteArray usersFolder = absoluteHome.left(std::max<qsizetype>(absoluteHome.lastIndexOf('/'), 0));
    std::vector<QByteArray> pathTexts;
    for (const QByteArray& folder : scanFolderList()) {
        const bool standsForHome = folder == "/" || folder == "/Users" || (!usersFolder.isEmpty() && folder == usersFolder);
        pathTexts.push_back((standsForHome ? home : folder) + '/');
    }
    std::vector<QByteArray> whiteTexts;
    for (const QByteArray& white : settings.whiteList) {
        whiteTexts.push_back(white + '/');
        pathTexts.push_back(whiteTexts.back());
    }
    for (const QByteArray& text : pathTexts) {
        writeLog(QString::fromUtf8(text));
    }
    for (const QByteArray& text : whiteTexts) {
        writeLog(QString::fromUtf8(text));
    }

    std::vector<const char*> paths;
    for (const QByteArray& text : pathTexts) {
        paths.push_back(text.constData());
    }
    std::vector<const char*> whites;
    for (const QByteArray& text : whiteTexts) {
        whites.push_back(text.constData());
    }
    FindOptions options{};
    options.flag = 0;
    options.threshold = settings.threshold;
    options.maxFileSize = fieldSize(settings.maxSize);
    options.minFileSize = fieldSize(settings.minSize);
    options.whiteList = whites.empty() ? nullptr : whites.data();
    options.whiteListCount = int32_t(whites.size());
    options.extensions = kExtensions;
    options.extensionCount = int32_t(std::size(kExtensions));
    options.skipHidden = settings.hidden ? 1 : 0;

    if (auto d = delegate_.call()) {
        d->scanImageManagerDidStart(this);
    }
    gSearching.store(this);
    const int code = functions_.findDuplicates
        ? functions_.findDuplicates(paths.empty() ? nullptr : paths.data(), int32_t(paths.size()), &options,
                                    &foundDupCallback, &progressCallback)
        : kParamInvaild;
    gSearching.store(nullptr);
    writeLog(code == kOk ? QStringLiteral("查找相似图片成功") : QStringLiteral("查找相似图片失败"));
    if (code != kOk) {
        const auto it = kErrorCodeMsg().find(code);
        writeLog(QStringLiteral("%1 %2").arg(code).arg(it == kErrorCodeMsg().end() ? QString() : it->second));
    }
    // A library that ended without its final report must not leave the
    // screen waiting for one.
    if (!finalReported_.load()) {
        if (!stopRequested_.load()) {
            builds_->waitForIdle();
        }
        reportEnd(false);
    }
    // After a stop the images still waiting are given up; the one in hand
    // is finished before the search counts as over, so nothing of it runs
    // on into the program's end.
    builds_->waitForIdle();
}

void ScanImagesManager::stop()
{
    setScanState(3);
    stopRequested_.store(true);
    if (auto stopFunction = functions_.stopFindDuplicates) {
        DispatchQueue::global().async([stopFunction] { stopFunction(10); });
    }
    // The groups found so far are the result, at once: the library winds
    // down and the images in hand are finished on their own time.
    if (isSearching()) {
        reportEnd(false);
    }
}

void ScanImagesManager::reportEnd(bool finished)
{
    std::lock_guard<std::recursive_mutex> report(reportMutex_);
    if (finalReported_.exchange(true)) {
        return;  // one end per search
    }
    writeLog(finished ? QStringLiteral("<<<< Scan Finish") : QStringLiteral("<<<< Scan Stop"));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        acceptingResults_ = false;
        sortDupImageGroupLocked();
    }
    if (auto d = delegate_.call()) {
        if (finished) {
            d->scanImagesManagerScanDidFinished(this, 1);
        } else {
            d->scanImagesManagerScanDidStop(this, 3);
        }
    }
}

void ScanImagesManager::progressDidChanged(const QByteArray& json, int type)
{
    const double time = now();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (type == kProgressRunning && time - lastCallbackTimeProcess_ < 0.2) {
            return;
        }
        lastCallbackTimeProcess_ = time;
    }
    // A stop that reached the library before its search began is asked again.
    if (type == kProgressRunning && stopRequested_.load() && functions_.stopFindDuplicates) {
        functions_.stopFindDuplicates(10);
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (doc.isNull()) {
        writeLog(QStringLiteral("json 解析失败"));
    }
    const QJsonObject top = doc.object();
    const double ratio = top.value(QStringLiteral("ratio")).toDouble(0.0);
    const qint64 total = top.value(QStringLiteral("total")).toInteger(0);
    const QString path = QFile::decodeName(pathBytes(
        top.value(QStringLiteral("extra_info")).toObject().value(QStringLiteral("current_deal_img_path")).toString()));

    if (type == kProgressRunning) {
        if (finalReported_.load()) {
            return;  // the end is out: nothing moves any more
        }
        if (auto d = delegate_.call()) {
            d->scanImagesManagerProgressDidChanged(this, ratio, total, path);
        }
        return;
    }
    if (!stopRequested_.load()) {
        // The last groups reported are still being made: the end has them.
        builds_->waitForIdle();
    }
    reportEnd(type == kProgressFinished);
}

QByteArray ScanImagesManager::pathBytes(const QString& reported)
{
    QByteArray bytes;
    QString run;
    for (const QChar c : reported) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            bytes += run.toUtf8();
            run.clear();
            bytes.append(char(c.unicode() - 0xDC00));
        } else {
            run.append(c);
        }
    }
    bytes += run.toUtf8();
    return bytes;
}

qint64 ScanImagesManager::caculateFileSize(const QByteArray& path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 ? qint64(st.st_size) : 0;
}

std::optional<QDateTime> ScanImagesManager::getModifiedDate(const QByteArray& path)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        return std::nullopt;
    }
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
}

QString ScanImagesManager::getStringWithDate(const QDateTime& date)
{
    return date.toLocalTime().toString(QStringLiteral("yyyy.MM.dd HH:mm:ss"));
}

std::optional<QString> ScanImagesManager::getImageDimensions(const QByteArray& path)
{
    const std::optional<QSize> size = QuickLook::imageDimensions(path);
    if (!size) {
        return std::nullopt;
    }
    return QStringLiteral("%1 * %2").arg(size->width()).arg(size->height());
}

QImage ScanImagesManager::getThumImages(const QByteArray& path)
{
    qreal scale = 1.0;
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* screen = app->primaryScreen()) {
            scale = screen->devicePixelRatio();
        }
    }
    QImage image = QuickLook::thumbnailImage(path, QSize(60, 90), scale);
    if (!image.isNull() && !image.size().isEmpty()) {
        return image;
    }
    const QString cover = Bundle::main().pathForResource(QStringLiteral("groupDefaultCover"), QStringLiteral("png"));
    return cover.isEmpty() ? QImage() : QImage(cover);
}

std::optional<ItemIdentity> ScanImagesManager::reportedIdentity(const QJsonObject& reported)
{
    const QJsonObject fields = reported.value(QStringLiteral("identity")).toObject();
    // Device and inode are unsigned; size and times signed (a file may be
    // dated before 1970).
    const auto number = [&](const char* key) -> std::optional<qulonglong> {
        bool ok = false;
        const qulonglong value = fields.value(QLatin1String(key)).toString().toULongLong(&ok);
        return ok ? std::optional<qulonglong>(value) : std::nullopt;
    };
    const auto signedNumber = [&](const char* key) -> std::optional<qlonglong> {
        bool ok = false;
        const qlonglong value = fields.value(QLatin1String(key)).toString().toLongLong(&ok);
        return ok ? std::optional<qlonglong>(value) : std::nullopt;
    };
    const auto device = number("device");
    const auto inode = number("inode");
    const auto size = signedNumber("size");
    const auto modified = signedNumber("mtime_ns");
    const auto changed = signedNumber("ctime_ns");
    if (!device || !inode || !size || !modified || !changed) {
        return std::nullopt;
    }
    ItemIdentity identity;
    identity.device = dev_t(*device);
    identity.inode = ino_t(*inode);
    identity.type = S_IFREG;
    identity.size = *size;
    identity.modificationTimeNs = *modified;
    identity.statusChangeTimeNs = *changed;
    return identity;
}

ScanImagesItemPtr ScanImagesManager::makeItem(const QJsonObject& reported) const
{
    auto item = std::make_shared<ScanImagesItem>();
    const QByteArray raw = pathBytes(reported.value(QStringLiteral("path")).toString());
    const QString path = QFile::decodeName(raw);
    item->setRawPath(raw);
    item->setImagePath(path);
    const QString name = path.section(QLatin1Char('/'), -1);
    item->setImageName(name);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    item->setPathExtension(dot > 0 ? name.mid(dot + 1) : QString());
    item->setImageSize(caculateFileSize(raw));
    // The identity the library took before it read the pixels: a file
    // rewritten since, before this report, is not the one compared.
    if (const std::optional<ItemIdentity> identity = reportedIdentity(reported)) {
        item->setIdentity(*identity);
    } else if (struct stat st {}; ::lstat(raw.constData(), &st) == 0) {
        item->setIdentity(ItemIdentity::of(st));
    }
    if (const auto date = getModifiedDate(raw)) {
        item->setMedifiedDate(getStringWithDate(*date));
    }
    if (thumbnailMaker_) {
        item->setThumImage(thumbnailMaker_(raw));
    } else if (thumbnails_) {
        item->setThumImage(getThumImages(raw));
    }
    item->setDimension(getImageDimensions(raw));
    return item;
}

ScanImagesGroupItemPtr ScanImagesManager::isContainSourcePath(const QString& path) const
{
    for (const auto& group : imagesArray_) {
        if (group->sourceImagePath() == path) {
            return group;
        }
    }
    return nullptr;
}

void ScanImagesManager::jsonDataDidChanged(const QByteArray& json)
{
    if (stopRequested_.load() || finalReported_.load()) {
        return;  // the user took what was found
    }
    // The library's thread only hands the report on; the time it arrived
    // counts for the delivery of partial results.
    const double reportedAt = now();
    const quint64 generation = searchGeneration_.load();
    builds_->async([this, json, reportedAt, generation] { addReportedGroups(json, reportedAt, generation); });
}

bool ScanImagesManager::resultsAbandoned(quint64 generation) const
{
    return stopRequested_.load() || generation != searchGeneration_.load();
}

void ScanImagesManager::addReportedGroups(const QByteArray& json, double reportedAt, quint64 generation)
{
    if (resultsAbandoned(generation)) {
        return;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (doc.isNull()) {
        writeLog(QStringLiteral("json 解析失败"));
    }
    for (const QJsonValue& entry : doc.array()) {
        const QJsonObject element = entry.toObject();
        const QString source = QFile::decodeName(pathBytes(element.value(QStringLiteral("path")).toString()));
        // The files are read before the lock, so readers never wait on disk.
        // A stop gives up the group in hand whole, never half of it.
        QList<ScanImagesItemPtr> items;
        for (const QJsonValue& member : element.value(QStringLiteral("similar_img_infos")).toArray()) {
            if (resultsAbandoned(generation)) {
                return;
            }
            items.append(makeItem(member.toObject()));
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (!acceptingResults_ || generation != searchGeneration_.load()) {
            return;
        }
        ScanImagesGroupItemPtr group = isContainSourcePath(source);
        const bool isContain = group != nullptr;
        if (!group) {
            group = std::make_shared<ScanImagesGroupItem>();
            group->setGroupName(QStringLiteral("%1 %2").arg(QStringLiteral("Group")).arg(groupNameNum_));
            ++groupNameNum_;
            group->setSourceImagePath(source);
        }
        for (const auto& item : items) {
            group->setGroupSize(group->groupSize() + item->imageSize());
            group->dupImageItems().append(item);
        }
        group->setGroupCount(group->dupImageItems().size());
        if (!isContain) {
            imagesArray_.append(group);
        }
    }
    std::lock_guard<std::recursive_mutex> report(reportMutex_);
    ScanImagesGroupList snapshot;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!acceptingResults_ || generation != searchGeneration_.load()) {
            return;
        }
        callBackTime_ = reportedAt;
        if (callBackTime_ - startScanTime_ < 2.0) {
            return;
        }
        startScanTime_ = callBackTime_;
        for (const auto& group : imagesArray_) {
            snapshot.append(group->clone());
        }
    }
    if (auto d = delegate_.call()) {
        d->scanImagesManagerScanData(this, snapshot);
    }
}

void ScanImagesManager::sortDupImage(ScanImagesGroupItem& group)
{
    auto& items = group.dupImageItems();
    std::stable_sort(items.begin(), items.end(), [](const ScanImagesItemPtr& a, const ScanImagesItemPtr& b) {
        if (a->imageSize() != b->imageSize()) {
            return a->imageSize() > b->imageSize();
        }
        return a->imagePath() < b->imagePath();
    });
}

void ScanImagesManager::sortDupImageGroupLocked()
{
    for (auto& group : imagesArray_) {
        sortDupImage(*group);
    }
    std::stable_sort(imagesArray_.begin(), imagesArray_.end(),
                     [](const ScanImagesGroupItemPtr& a, const ScanImagesGroupItemPtr& b) {
                         if (a->groupSize() != b->groupSize()) {
                             return a->groupSize() > b->groupSize();
                         }
                         return a->groupCount() > b->groupCount();
                     });
    groupNameNum_ = 1;
    for (auto& group : imagesArray_) {
        group->setGroupName(localized("Group %@").replace(QLatin1String("%@"), QString::number(groupNameNum_)));
        ++groupNameNum_;
    }
}

void ScanImagesManager::sortDupImageGroup()
{
    std::lock_guard<std::mutex> lock(mutex_);
    sortDupImageGroupLocked();
}
