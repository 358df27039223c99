#include "PerferenceInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>

#include <condition_variable>
#include <mutex>

#include "Foundation/Dispatch.h"
#include "Foundation/PropertyListFile.h"
#include "Foundation/ResourceValues.h"
#include "Main/Utilities.h"
#include "Manager/ScanManager.h"
#include "QVBaseLib/Helper.h"

namespace {

const QString kFileName = QStringLiteral("/PreferenceInfo.plist");

bool boolValue(const PlistDict& dict, const QString& key, bool fallback)
{
    const QVariant value = dict.value(key);
    return value.typeId() == QMetaType::Bool ? value.toBool() : fallback;
}

QString stringValue(const PlistDict& dict, const QString& key, const QString& fallback)
{
    const QVariant value = dict.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : fallback;
}

// An array whose every element is a string; anything else gives nothing.
std::optional<QStringList> stringArray(const PlistDict& dict, const QString& key)
{
    const QVariant value = dict.value(key);
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList();
    }
    if (value.typeId() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    QStringList out;
    for (const QVariant& item : value.toList()) {
        if (item.typeId() != QMetaType::QString) {
            return std::nullopt;
        }
        out.append(item.toString());
    }
    return out;
}

QList<QUrl> fileUrls(const QStringList& paths)
{
    QList<QUrl> urls;
    urls.reserve(paths.size());
    for (const QString& path : paths) {
        // Entries are path texts; one whose bytes are not UTF-8 is kept as
        // its file URL, and the URL built here keeps those bytes.
        urls.append(FilePath::fileUrl(FilePath::fromStoredText(path)));
    }
    return urls;
}

// The saves handed over and not yet in the file. Writes run on the global
// queue, one at a time, each taking the newest dictionary when its turn
// comes, so the file always ends with the latest save and a reader in the
// meantime gets that one rather than an older file.
struct SettingsWriter {
    std::mutex mutex;
    std::condition_variable idle;
    std::optional<PlistDict> newest;
    // The file it is for: a reader of another file (a test's other home)
    // does not take it.
    QString newestPath;
    quint64 handedOver = 0;
    int running = 0;
    // One write at a time, in the order the saves came.
    std::mutex writing;

    static SettingsWriter& shared()
    {
        static SettingsWriter* writer = new SettingsWriter;
        return *writer;
    }
};

}  // namespace

QString PerferenceInfo::settingsPath()
{
    const QString folder = Helper::appSuportWithBundleIdentifier();
    return folder.isEmpty() ? QString() : folder + kFileName;
}

PlistDict PerferenceInfo::defaultDictionary()
{
    return PlistDict{
        {QStringLiteral("audio"), true},
        {QStringLiteral("file"), true},
        {QStringLiteral("other"), true},
        {QStringLiteral("video"), true},
        {QStringLiteral("photo"), true},
        {QStringLiteral("maxFileSize"), QString()},
        {QStringLiteral("maxSelect"), false},
        {QStringLiteral("maxSizeType"), QStringLiteral("MB")},
        {QStringLiteral("minFileSize"), QString()},
        {QStringLiteral("minSelect"), false},
        {QStringLiteral("minSizeType"), QStringLiteral("MB")},
        {QStringLiteral("whiteListPath"), QVariantList()},
        {QStringLiteral("DupImagesWhiteListPath"), QVariantList()},
        {QStringLiteral("LargeFileWhiteListPath"), QVariantList()},
        {QStringLiteral("hiddenFile"), true},
        {QStringLiteral("zeroByteFile"), true},
        {QStringLiteral("threshold"), QStringLiteral("85")},
        {QStringLiteral("similarImageMaxFileSize"), QString()},
        {QStringLiteral("similarImageMaxSelect"), false},
        {QStringLiteral("similarImageMaxSizeType"), QStringLiteral("MB")},
        {QStringLiteral("similarImageMinFileSize"), QString()},
        {QStringLiteral("similarImageMinSelect"), false},
        {QStringLiteral("similarImageMinSizeType"), QStringLiteral("MB")},
    };
}

std::optional<int64_t> PerferenceInfo::bytesOfSizeText(const QString& text, const QString& unit)
{
    if (text.isEmpty()) {
        return std::nullopt;
    }
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
    if (!number.match(text).hasMatch()) {
        return 0;
    }
    const bool negative = text.startsWith(QLatin1Char('-'));
    bool ok = false;
    const qlonglong count = text.toLongLong(&ok);
    if (!ok || (negative && count != 0)) {
        // A count past 64 bits, or below zero, limits nothing.
        return std::nullopt;
    }
    const int64_t factor = unit == QLatin1String("GB") ? 1000000000LL
                         : unit == QLatin1String("MB") ? 1000000LL
                                                       : 1000LL;
    int64_t bytes = 0;
    if (__builtin_mul_overflow(static_cast<int64_t>(count), factor, &bytes)) {
        return std::nullopt;
    }
    return bytes;
}

PerferenceInfo::PerferenceInfo()
{
    dic_ = defaultDictionary();
    const QString path = settingsPath();
    {
        SettingsWriter& writer = SettingsWriter::shared();
        std::lock_guard lock(writer.mutex);
        if (writer.newest && writer.newestPath == path) {
            dataDict_ = *writer.newest;
            fill();
            return;
        }
    }
    if (!path.isEmpty()) {
        // A damaged file is set aside, never overwritten: the user is told
        // where it went and the defaults start afresh in its place. One
        // that cannot be read at all is left as it is, on the defaults.
        PropertyList::OwnedFile file = PropertyList::readOwnedDictionary(path);
        if (file.state == PropertyList::OwnedFile::State::missing
            || file.state == PropertyList::OwnedFile::State::setAside) {
            if (PropertyList::writeOwnedFile(path, QVariant::fromValue(dic_))) {
                file = PropertyList::readOwnedDictionary(path);
            } else {
                TSLOG("PreferenceInfo.plist write failed: ", path);
            }
        }
        if (file.state == PropertyList::OwnedFile::State::read) {
            dataDict_ = std::move(file.dictionary);
        }
    }
    fill();
}

PerferenceInfo::PerferenceInfo(const PlistDict& data)
    : dataDict_(data)
{
    dic_ = defaultDictionary();
    fill();
}

void PerferenceInfo::fill()
{
    const PlistDict& d = dataDict_;
    omitHiddenFile_ = boolValue(d, QStringLiteral("hiddenFile"), true);
    omitZeroByteFile_ = boolValue(d, QStringLiteral("zeroByteFile"), true);
    maxSelectState_ = enableMaxSize_ = boolValue(d, QStringLiteral("maxSelect"), false);
    minSelectState_ = enableMinSize_ = boolValue(d, QStringLiteral("minSelect"), false);
    maxByteType_ = stringValue(d, QStringLiteral("maxSizeType"), QStringLiteral("MB"));
    minByteType_ = stringValue(d, QStringLiteral("minSizeType"), QStringLiteral("MB"));
    localMaxFileSize_ = stringValue(d, QStringLiteral("maxFileSize"), QString());
    maxFileSize_ = bytesOfSizeText(localMaxFileSize_, maxByteType_);
    localMinFileSize_ = stringValue(d, QStringLiteral("minFileSize"), QString());
    minFileSize_ = bytesOfSizeText(localMinFileSize_, minByteType_);
    omitVideo_ = boolValue(d, QStringLiteral("video"), true);
    omitAudio_ = boolValue(d, QStringLiteral("audio"), true);
    omitPicture_ = boolValue(d, QStringLiteral("photo"), true);
    omitDocument_ = boolValue(d, QStringLiteral("file"), true);
    omitOther_ = boolValue(d, QStringLiteral("other"), true);
    localWhiteList_ = stringArray(d, QStringLiteral("whiteListPath")).value_or(QStringList());
    whiteListPath_ = fileUrls(localWhiteList_);
    dupImagesWhiteListPath_ = stringArray(d, QStringLiteral("DupImagesWhiteListPath")).value_or(QStringList());
    localLargeFileWhiteListPath_ = stringArray(d, QStringLiteral("LargeFileWhiteListPath")).value_or(QStringList());
    largeFileWhiteListPath_ = fileUrls(localLargeFileWhiteListPath_);
    {
        bool ok = false;
        const int value = stringValue(d, QStringLiteral("threshold"), QString()).toInt(&ok);
        threshold_ = ok ? value : 85;
    }
    similarImageMaxSelectState_ = similarImageEnableMaxSize_ =
        boolValue(d, QStringLiteral("similarImageMaxSelect"), false);
    similarImageMinSelectState_ = similarImageEnableMinSize_ =
        boolValue(d, QStringLiteral("similarImageMinSelect"), false);
    similarImageMaxByteType_ = stringValue(d, QStringLiteral("similarImageMaxSizeType"), QStringLiteral("MB"));
    similarImageMinByteType_ = stringValue(d, QStringLiteral("similarImageMinSizeType"), QStringLiteral("MB"));
    similarImageLocalMaxFileSize_ = stringValue(d, QStringLiteral("similarImageMaxFileSize"), QString());
    similarImageMaxFileSize_ = bytesOfSizeText(similarImageLocalMaxFileSize_, similarImageMaxByteType_);
    similarImageLocalMinFileSize_ = stringValue(d, QStringLiteral("similarImageMinFileSize"), QString());
    similarImageMinFileSize_ = bytesOfSizeText(similarImageLocalMinFileSize_, similarImageMinByteType_);
}

bool PerferenceInfo::setPerenceInfo(const PlistDict&)
{
    const QString path = settingsPath();
    if (!PropertyList::writeOwnedFile(path, QVariant::fromValue(dataDict_))) {
        TSLOG("PreferenceInfo.plist write failed: ", path);
        return false;
    }
    auto fresh = std::make_shared<PerferenceInfo>();
    ScanManager& engine = ScanManager::default_();
    if (!engine.scaning()) {
        engine.setScanSetupObj(std::move(fresh));
    }
    return true;
}

void PerferenceInfo::setPerenceInfoInBackground(QObject* context, std::function<void(bool written)> done)
{
    SettingsWriter& writer = SettingsWriter::shared();
    quint64 number = 0;
    const QString path = settingsPath();
    {
        std::lock_guard lock(writer.mutex);
        writer.newest = dataDict_;
        writer.newestPath = path;
        number = ++writer.handedOver;
        ++writer.running;
    }
    QPointer<QObject> guard(context);
    DispatchQueue::global().async([number, path, mine = dataDict_, guard, done = std::move(done)]() mutable {
        SettingsWriter& writer = SettingsWriter::shared();
        std::unique_lock turn(writer.writing);
        std::optional<PlistDict> dict;
        {
            std::lock_guard lock(writer.mutex);
            // A later save of the same file comes after this one and writes
            // what it handed over.
            if (number == writer.handedOver || writer.newestPath != path) {
                dict = std::move(mine);
            }
        }
        bool written = false;
        std::shared_ptr<PerferenceInfo> fresh;
        if (dict) {
            written = PropertyList::writeOwnedFile(path, QVariant::fromValue(*dict));
            if (written) {
                fresh = std::make_shared<PerferenceInfo>(*dict);
            } else {
                TSLOG("PreferenceInfo.plist write failed: ", path);
            }
            std::lock_guard lock(writer.mutex);
            // Written or not, the file is what readers get again, unless a
            // later save came meanwhile.
            if (number == writer.handedOver) {
                writer.newest.reset();
            }
        }
        turn.unlock();
        const auto finished = [] {
            SettingsWriter& writer = SettingsWriter::shared();
            std::lock_guard lock(writer.mutex);
            --writer.running;
            writer.idle.notify_all();
        };
        if (!dict) {
            finished();
            return;
        }
        DispatchQueue::main().async([written, fresh, guard, done = std::move(done), finished]() {
            if (fresh) {
                ScanManager& engine = ScanManager::default_();
                if (!engine.scaning()) {
                    engine.setScanSetupObj(fresh);
                }
            }
            if (done && guard) {
                done(written);
            }
            finished();
        });
    });
}

bool PerferenceInfo::waitForBackgroundSaves(std::chrono::milliseconds bound)
{
    SettingsWriter& writer = SettingsWriter::shared();
    const auto until = std::chrono::steady_clock::now() + bound;
    for (;;) {
        {
            std::unique_lock lock(writer.mutex);
            if (writer.running == 0) {
                return true;
            }
            // On the main thread the last step of a save waits for its
            // queue, so it is let run rather than waited for.
            if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread()) {
                return writer.idle.wait_until(lock, until, [&] { return writer.running == 0; });
            }
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

std::optional<QVariant> PerferenceInfo::storedSettings()
{
    const QString path = settingsPath();
    {
        SettingsWriter& writer = SettingsWriter::shared();
        std::lock_guard lock(writer.mutex);
        if (writer.newest && writer.newestPath == path) {
            return QVariant::fromValue(*writer.newest);
        }
    }
    PropertyList::OwnedFile file = PropertyList::readOwnedDictionary(path);
    if (file.state != PropertyList::OwnedFile::State::read) {
        return std::nullopt;
    }
    return QVariant::fromValue(std::move(file.dictionary));
}
