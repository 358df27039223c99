#include "ScanImagesTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QFile>
#include <QJsonObject>

#include <sys/stat.h>

std::function<int(FoundDupCallback, ProgressCallback)> ScriptedLibrary::script;
std::vector<ScriptedLibrary::Call> ScriptedLibrary::calls;
std::atomic<int> ScriptedLibrary::stops{0};

namespace {

int scriptedInit(const char*, const char*)
{
    return kOk;
}

int scriptedFind(const char* const* paths, int32_t count, const FindOptions* options, FoundDupCallback found,
                 ProgressCallback progress)
{
    ScriptedLibrary::Call call;
    for (int32_t i = 0; i < count; ++i) {
        call.paths.append(QString::fromUtf8(paths[i]));
    }
    call.options = *options;
    for (int32_t i = 0; i < options->whiteListCount; ++i) {
        call.whiteList.append(QString::fromUtf8(options->whiteList[i]));
    }
    call.extensionCount = options->extensionCount;
    ScriptedLibrary::calls.push_back(call);
    return ScriptedLibrary::script ? ScriptedLibrary::script(found, progress) : kOk;
}

int scriptedStop(int32_t)
{
    ++ScriptedLibrary::stops;
    return kOk;
}

}  // namespace

SimagexFunctions ScriptedLibrary::functions()
{
    SimagexFunctions f;
    f.initImageDuplicate = &scriptedInit;
    f.findDuplicates = &scriptedFind;
    f.stopFindDuplicates = &scriptedStop;
    return f;
}

void ScriptedLibrary::reset()
{
    script = nullptr;
    calls.clear();
    stops = 0;
}

void sendProgress(ProgressCallback progress, int type, double ratio, qint64 total, const QString& path)
{
    QJsonObject extra{{"current_deal_img_path", path}};
    const QByteArray json = QJsonDocument(QJsonObject{{"ratio", ratio}, {"total", total}, {"extra_info", extra}}).toJson();
    progress(type, JsonData{json.constData(), uint32_t(json.size())});
}

QJsonObject identityOf(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        return {};
    }
    const auto ns = [](const struct timespec& t) { return QString::number(qint64(t.tv_sec) * 1000000000 + t.tv_nsec); };
    return {{"device", QString::number(st.st_dev)}, {"inode", QString::number(st.st_ino)},
            {"size", QString::number(st.st_size)},  {"mtime_ns", ns(st.st_mtim)},
            {"ctime_ns", ns(st.st_ctim)}};
}

void sendFound(FoundDupCallback found, const QString& source, const QStringList& members)
{
    QJsonArray infos;
    for (const QString& m : members) {
        // As the library does: what the file is as it is read, here and now.
        QJsonObject info{{"path", m}, {"similarity", 90.0}};
        if (const QJsonObject identity = identityOf(m); !identity.isEmpty()) {
            info.insert("identity", identity);
        }
        infos.append(info);
    }
    const QByteArray json = QJsonDocument(QJsonArray{QJsonObject{{"path", source}, {"similar_img_infos", infos}}}).toJson();
    found(JsonData{json.constData(), uint32_t(json.size())});
}

#define RECORD(text)                               \
    do {                                           \
        std::lock_guard<std::mutex> lock(mutex_); \
        events_.append(text);                      \
    } while (0)

void RecordingDelegate::scanImageManagerDidStart(ScanImagesManager*) { RECORD("start"); }
void RecordingDelegate::scanImagesManagerProgressDidChanged(ScanImagesManager*, double ratio, qint64 total, const QString& path)
{
    RECORD(QStringLiteral("progress %1 %2 %3").arg(ratio).arg(total).arg(path));
    if (onScanProgress) {
        onScanProgress(ratio);
    }
}
void RecordingDelegate::scanImagesManagerScanData(ScanImagesManager*, const ScanImagesGroupList& groups)
{
    RECORD(QStringLiteral("data %1").arg(groups.size()));
}
void RecordingDelegate::scanImagesManagerScanDidFinished(ScanImagesManager*, int state) { RECORD(QStringLiteral("finished %1").arg(state)); }
void RecordingDelegate::scanImagesManagerScanDidStop(ScanImagesManager*, int state) { RECORD(QStringLiteral("stopped %1").arg(state)); }
void RecordingDelegate::removeManagerDidStart(ScanImagesManager*) { RECORD("removeStart"); }
void RecordingDelegate::removeManagerProgressDidChange(ScanImagesManager*, double progress)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        progress_.push_back(progress);
    }
    if (onRemoveProgress) {
        onRemoveProgress(progress);
    }
}
void RecordingDelegate::removeManagerDidStop(ScanImagesManager*) { RECORD("removeStop"); }
void RecordingDelegate::removeMangerDidFinish(ScanImagesManager*) { RECORD("removeFinish"); }

QStringList RecordingDelegate::events() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    // A copy with a buffer of its own: a shared one would still be read by
    // the caller while the engine's thread appends to the recorded list.
    return {events_.begin(), events_.end()};
}

std::vector<double> RecordingDelegate::progress() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return progress_;
}
