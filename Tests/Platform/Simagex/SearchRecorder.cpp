#include "SearchRecorder.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

std::mutex gMutex;
SearchRecord* gRecord = nullptr;
std::function<void(const SearchRecord::Progress&)> gOnProgress;

// Bytes of a reported path: U+DC80 ... U+DCFF stand for raw bytes.
std::string pathOf(const QJsonValue& value)
{
    std::string bytes;
    for (const QChar c : value.toString()) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            bytes.push_back(char(c.unicode() - 0xDC00));
        } else {
            bytes += QString(c).toStdString();
        }
    }
    return bytes;
}

void onFound(JsonData data)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(data.data, int(data.length)));
    std::lock_guard<std::mutex> lock(gMutex);
    if (!doc.isArray()) {
        gRecord->badJson = true;
        return;
    }
    for (const QJsonValue& entry : doc.array()) {
        const std::string source = pathOf(entry.toObject().value("path"));
        for (const QJsonValue& member : entry.toObject().value("similar_img_infos").toArray()) {
            const std::string path = pathOf(member.toObject().value("path"));
            gRecord->groups[source].push_back(path);
            gRecord->reportedOrder.push_back(path);
            const QJsonObject identity = member.toObject().value("identity").toObject();
            for (auto field = identity.begin(); field != identity.end(); ++field) {
                gRecord->identities[path][field.key().toStdString()] = field.value().toString().toStdString();
            }
        }
    }
}

void onProgress(ProgressType type, JsonData data)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(data.data, int(data.length)));
    SearchRecord::Progress p{type, 0, 0, {}};
    std::function<void(const SearchRecord::Progress&)> hook;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (!doc.isObject()) {
            gRecord->badJson = true;
        }
        const QJsonObject o = doc.object();
        p.ratio = o.value("ratio").toDouble();
        p.total = o.value("total").toInteger();
        p.path = pathOf(o.value("extra_info").toObject().value("current_deal_img_path"));
        gRecord->progress.push_back(p);
        if (type != kProgressRunning) {
            ++gRecord->finals;
        }
        hook = gOnProgress;
    }
    if (hook) {
        hook(p);
    }
}

}  // namespace

const std::vector<std::string>& programExtensions()
{
    static const std::vector<std::string> list{".jpg", ".jpeg", ".png", ".bmp", ".dib", ".jp2", ".jpe", ".pbm", ".pgm",
                                               ".pic", ".pnm", ".ppm", ".exr", ".hdr", ".ras", ".tif", ".tiff", ".webp"};
    return list;
}

std::set<std::set<std::string>> SearchRecord::nameGroups() const
{
    std::set<std::set<std::string>> out;
    for (const auto& [source, members] : groups) {
        std::set<std::string> names;
        for (const auto& m : members) {
            names.insert(m.substr(m.rfind('/') + 1));
        }
        out.insert(names);
    }
    return out;
}

namespace {

std::vector<const char*> pointers(const std::vector<std::string>& texts)
{
    std::vector<const char*> out;
    for (const auto& t : texts) {
        out.push_back(t.c_str());
    }
    return out;
}

SearchRecord run(const SearchSetup& setup, const FindOptions* options)
{
    SearchRecord record;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gRecord = &record;
        gOnProgress = setup.onProgress;
    }
    std::vector<std::string> all = setup.folders;
    all.insert(all.end(), setup.whiteList.begin(), setup.whiteList.end());
    const auto paths = pointers(all);
    record.code = FindDuplicates(paths.data(), int32_t(paths.size()), options, onFound, onProgress);
    std::lock_guard<std::mutex> lock(gMutex);
    gRecord = nullptr;
    gOnProgress = nullptr;
    return record;
}

}  // namespace

SearchRecord runSearch(const SearchSetup& setup)
{
    const auto white = pointers(setup.whiteList);
    const auto& extTexts = setup.extensions.empty() ? programExtensions() : setup.extensions;
    const auto ext = pointers(extTexts);
    FindOptions options{};
    options.threshold = setup.threshold;
    options.maxFileSize = setup.maxSize;
    options.minFileSize = setup.minSize;
    options.whiteList = white.data();
    options.whiteListCount = int32_t(white.size());
    options.extensions = ext.data();
    options.extensionCount = int32_t(ext.size());
    options.skipHidden = setup.skipHidden ? 1 : 0;
    return run(setup, &options);
}

SearchRecord runSearchRaw(const SearchSetup& setup, const unsigned char* record)
{
    return run(setup, reinterpret_cast<const FindOptions*>(record));
}
