// The search behind the C interface: walk, parallel decode and hash, and one
// collector (the calling thread) that groups in path order and sends every
// callback, so the groups do not depend on thread timing.
#include "Simagex.h"
#include "SimagexTesting.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <sys/stat.h>
#include <sys/time.h>

#include <opencv2/core.hpp>
#include <opencv2/core/utils/logger.hpp>

#include "ImageGrouper.h"
#include "ImageHash.h"
#include "ImageWalk.h"
#include "JsonText.h"
#include "SimagexLog.h"

namespace simagex {

namespace {

const char* const kMessages[] = {"Ok",
                                 "Param invaild",
                                 "Path not exist",
                                 "Path not a directory",
                                 "Create directory failed",
                                 "Init log failed",
                                 "Init progress control failed",
                                 "Init thread pool failed",
                                 "Compute image hash value failed",
                                 "Stoped",
                                 "Crashed",
                                 "Read image failed",
                                 "Save image failed"};

std::atomic<bool> gStop{false};
std::atomic<bool> gRunning{false};

std::atomic<SimagexDecodeHook> gDecodeHook{nullptr};
std::atomic<void*> gDecodeHookContext{nullptr};
std::atomic<SimagexDecodeHook> gDecodedHook{nullptr};
std::atomic<void*> gDecodedHookContext{nullptr};

// Readings of one image before it is given up as changing all the time.
constexpr int kReadAttempts = 3;

// Decoders of every search still running. A stopped search does not wait
// for the images in hand (one decode of a large image takes seconds); its
// decoders end by themselves and are counted here. Never destroyed: a
// decoder still ending as the program goes may count itself out.
struct DecoderCount {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};

DecoderCount& decoders()
{
    static DecoderCount* count = new DecoderCount;
    return *count;
}

// As the library goes (the program's end), the decoders left by a stop are
// given a few seconds to put down their image, so none is still inside the
// image codecs while those tear themselves down after us.
struct DecoderDrain {
    ~DecoderDrain()
    {
        DecoderCount& count = decoders();
        std::unique_lock<std::mutex> lock(count.mutex);
        count.ended.wait_for(lock, std::chrono::seconds(5), [&] { return count.running == 0; });
    }
} gDecoderDrain;

bool makeFolders(const std::string& folder)
{
    std::string path;
    size_t start = 0;
    while (start <= folder.size()) {
        const size_t slash = folder.find('/', start);
        path = folder.substr(0, slash == std::string::npos ? folder.size() : slash);
        if (!path.empty()) {
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0) {
                if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
                    return false;
                }
            } else if (!S_ISDIR(st.st_mode)) {
                return false;
            }
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    return true;
}

std::string progressJson(double ratio, long long total, const std::string& path)
{
    std::string out = "{\"ratio\":";
    appendJsonNumber(out, ratio);
    out += ",\"total\":";
    appendJsonNumber(out, total);
    out += ",\"extra_info\":{\"current_deal_img_path\":";
    appendJsonString(out, path);
    out += "}}";
    return out;
}

// Decimal texts: JSON readers keep numbers as doubles, which lose the
// lower digits of an inode or a time in nanoseconds.
void appendIdentity(std::string& out, const FileIdentity& identity)
{
    const std::pair<const char*, std::string> fields[] = {
        {"device", std::to_string(identity.device)},       {"inode", std::to_string(identity.inode)},
        {"size", std::to_string(identity.size)},           {"mtime_ns", std::to_string(identity.modifiedNs)},
        {"ctime_ns", std::to_string(identity.changedNs)}};
    out.push_back('{');
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (i) {
            out.push_back(',');
        }
        appendJsonString(out, fields[i].first);
        out.push_back(':');
        appendJsonString(out, fields[i].second);
    }
    out.push_back('}');
}

// One found-groups report in the making: members per source, in the order
// they joined.
class FoundBatch {
public:
    struct Member {
        std::string path;
        double similarity;
        FileIdentity identity;
    };
    void add(const std::string& source, Member member)
    {
        if (entries_.empty() || entries_.back().source != source) {
            entries_.push_back({source, {}});
        }
        entries_.back().members.push_back(std::move(member));
    }
    bool empty() const { return entries_.empty(); }
    std::string takeJson()
    {
        std::string out = "[";
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (i) {
                out.push_back(',');
            }
            out += "{\"path\":";
            appendJsonString(out, entries_[i].source);
            out += ",\"similar_img_infos\":[";
            for (size_t k = 0; k < entries_[i].members.size(); ++k) {
                if (k) {
                    out.push_back(',');
                }
                const Member& member = entries_[i].members[k];
                out += "{\"path\":";
                appendJsonString(out, member.path);
                out += ",\"similarity\":";
                appendJsonNumber(out, member.similarity);
                out += ",\"identity\":";
                appendIdentity(out, member.identity);
                out.push_back('}');
            }
            out += "]}";
        }
        out.push_back(']');
        entries_.clear();
        return out;
    }

private:
    struct Entry {
        std::string source;
        std::vector<Member> members;
    };
    std::vector<Entry> entries_;
};

// What the decoders of one search share with its collector.
struct Decoding {
    struct Slot {
        std::optional<ImageHash> hash;
        FileIdentity identity;  // what the file was as it was read
        bool done = false;
    };

    explicit Decoding(std::vector<WalkedFile> walked)
        : files(std::move(walked))
        , slots(files.size())
    {
    }

    // Takes images in path order until none is left, the search is stopped
    // or its collector has gone.
    void work()
    {
        for (;;) {
            if (gStop.load() || abandoned.load()) {
                return;
            }
            const size_t index = next.fetch_add(1);
            if (index >= files.size()) {
                return;
            }
            FileIdentity identity;
            std::optional<ImageHash> hash = read(files[index].path, identity);
            if (const SimagexDecodeHook hook = gDecodedHook.load()) {
                hook(files[index].path.c_str(), gDecodedHookContext.load());
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                slots[index].hash = hash;
                slots[index].identity = identity;
                slots[index].done = true;
            }
            ready.notify_one();
        }
    }

    // Decodes and hashes the image, with what the file was as its bytes were
    // read: noted before the reading and found again after it, else the
    // pixels may be of another version of the file than the one the removal
    // will be told of. A file that changed meanwhile is read again; one that
    // keeps changing, or that is gone, is left out.
    static std::optional<ImageHash> read(const std::string& path, FileIdentity& identity)
    {
        for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
            const std::optional<FileIdentity> before = identityOf(path);
            if (!before) {
                return std::nullopt;
            }
            if (const SimagexDecodeHook hook = gDecodeHook.load()) {
                hook(path.c_str(), gDecodeHookContext.load());
            }
            std::optional<ImageHash> hash = hashFile(path);
            if (identityOf(path) == before) {
                identity = *before;
                return hash;
            }
            SimagexLog::shared().write("changed while read: " + path);
        }
        return std::nullopt;
    }

    void waitForDecoders()
    {
        std::unique_lock<std::mutex> lock(mutex);
        decoderEnded.wait(lock, [this] { return decodersRunning == 0; });
    }

    const std::vector<WalkedFile> files;
    std::vector<Slot> slots;
    std::mutex mutex;
    std::condition_variable ready;
    std::condition_variable decoderEnded;
    int decodersRunning = 0;
    std::atomic<size_t> next{0};
    // Set when the collector leaves: a search that is gone (and the global
    // stop flag, which the next search clears) no longer keeps a decoder busy.
    std::atomic<bool> abandoned{false};
};

// One decoder of the search, on a thread of its own that is never joined:
// it holds the search's state for as long as it runs.
void startDecoder(const std::shared_ptr<Decoding>& decoding)
{
    DecoderCount& count = decoders();
    {
        std::lock_guard<std::mutex> lock(count.mutex);
        ++count.running;
    }
    {
        std::lock_guard<std::mutex> lock(decoding->mutex);
        ++decoding->decodersRunning;
    }
    try {
        std::thread([held = decoding]() mutable {
            held->work();
            {
                std::lock_guard<std::mutex> lock(held->mutex);
                --held->decodersRunning;
                held->decoderEnded.notify_all();
            }
            // Let go of the search before counting out, so nothing of it is
            // left to free once the count reads none.
            held.reset();
            DecoderCount& ending = decoders();
            std::lock_guard<std::mutex> lock(ending.mutex);
            --ending.running;
            ending.ended.notify_all();
        }).detach();
    } catch (...) {
        {
            std::lock_guard<std::mutex> lock(decoding->mutex);
            --decoding->decodersRunning;
        }
        std::lock_guard<std::mutex> lock(count.mutex);
        --count.running;
        throw;
    }
}

class Search {
public:
    Search(WalkOptions walk, double threshold, FoundDupCallback found, ProgressCallback progress)
        : walk_(std::move(walk))
        , threshold_(threshold)
        , found_(found)
        , progress_(progress)
    {
    }

    int run();

private:
    void sendProgress(ProgressType type, double ratio, long long total, const std::string& path)
    {
        ratio = std::clamp(ratio, lastRatio_, 1.0);
        lastRatio_ = ratio;
        const std::string json = progressJson(ratio, total, path);
        progress_(type, JsonData{json.data(), uint32_t(json.size())});
    }
    void sendFound(FoundBatch& batch)
    {
        if (batch.empty()) {
            return;
        }
        const std::string json = batch.takeJson();
        found_(JsonData{json.data(), uint32_t(json.size())});
    }

    WalkOptions walk_;
    double threshold_;
    FoundDupCallback found_;
    ProgressCallback progress_;
    double lastRatio_ = 0;
};

int Search::run()
{
    using clock = std::chrono::steady_clock;
    SimagexLog& log = SimagexLog::shared();
    const auto started = clock::now();

    ImageWalk walk(walk_);
    // Decoding and hashing on every core; results land in their path-order
    // slot. The decoders share this state with the collector: after a stop
    // the collector leaves without them, and whoever goes last frees it.
    const auto decoding = std::make_shared<Decoding>(walk.run(gStop, [&](size_t count, const std::string& path) {
        sendProgress(kProgressRunning, 0.0, (long long)count, path);
    }));
    const std::vector<WalkedFile>& files = decoding->files;
    for (const std::string& missing : walk.missingRoots()) {
        log.writeCode(kPathNotExist, missing);
    }
    const size_t total = files.size();
    log.write("found " + std::to_string(total) + " images");
    const unsigned workerCount = std::max(1u, std::min<unsigned>(std::thread::hardware_concurrency(), unsigned(total)));
    if (!gStop.load() && total > 0) {
        unsigned launched = 0;
        try {
            for (; launched < workerCount; ++launched) {
                startDecoder(decoding);
            }
        } catch (const std::system_error&) {
            log.writeCode(kInitThreadPoolFailed, "starting decoders");
            if (launched == 0) {
                decoding->work();  // decode on this thread rather than not at all
            }
        }
    }
    std::vector<Decoding::Slot>& slots = decoding->slots;
    std::mutex& mutex = decoding->mutex;
    std::condition_variable& ready = decoding->ready;

    ImageGrouper grouper(threshold_);
    FoundBatch batch;
    std::vector<size_t> sourceOfIndex;  // grouper order -> file index
    std::vector<FileIdentity> identities;  // grouper order -> what the file was when read
    size_t collected = 0;
    size_t unreadable = 0;
    auto lastReport = clock::now();
    std::string current = files.empty() ? std::string() : files.front().path;
    while (collected < total && !gStop.load()) {
        std::vector<std::tuple<size_t, std::optional<ImageHash>, FileIdentity>> arrived;
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait_for(lock, std::chrono::milliseconds(100),
                           [&] { return gStop.load() || slots[collected].done; });
            while (collected < total && slots[collected].done) {
                arrived.emplace_back(collected, std::move(slots[collected].hash), slots[collected].identity);
                ++collected;
            }
        }
        for (auto& [index, hash, identity] : arrived) {
            current = files[index].path;
            if (!hash) {
                ++unreadable;
                log.writeCode(kReadImageFailed, files[index].path);
                continue;
            }
            sourceOfIndex.push_back(index);
            identities.push_back(identity);
            const auto join = grouper.add(*hash);
            if (!join) {
                continue;
            }
            const std::string& source = files[sourceOfIndex[join->source]].path;
            if (join->groupFormed) {
                batch.add(source, {source, 100.0, identities[join->source]});
            }
            batch.add(source, {files[index].path, join->similarity, identity});
        }
        const auto now = clock::now();
        if (now - lastReport >= std::chrono::milliseconds(100)) {
            lastReport = now;
            sendFound(batch);
            sendProgress(kProgressRunning, total ? double(collected) / double(total) : 1.0, (long long)total, current);
        }
    }
    const bool stopped = gStop.load();
    {
        std::lock_guard<std::mutex> lock(mutex);
        decoding->abandoned = true;
    }
    if (!stopped) {
        // Every image was collected: the decoders are ending, let them.
        decoding->waitForDecoders();
    }
    sendFound(batch);

    const double seconds = std::chrono::duration<double>(clock::now() - started).count();
    log.write(std::string(stopped ? "search stopped" : "search finished") + ": " + std::to_string(collected) + " of "
              + std::to_string(total) + " images, " + std::to_string(unreadable) + " unreadable, "
              + std::to_string(seconds) + " s");
    if (stopped) {
        sendProgress(kProgressStopped, total ? double(collected) / double(total) : lastRatio_, (long long)total, current);
        return kStoped;
    }
    sendProgress(kProgressFinished, 1.0, (long long)total, current);
    return kOk;
}

std::vector<std::string> copyTexts(const char* const* texts, int32_t count)
{
    std::vector<std::string> out;
    if (!texts || count <= 0) {
        return out;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (texts[i] && texts[i][0] != '\0') {
            out.emplace_back(texts[i]);
        }
    }
    return out;
}

void reportEnd(ProgressCallback progress, ProgressType type)
{
    if (!progress) {
        return;
    }
    const std::string json = progressJson(type == kProgressFinished ? 1.0 : 0.0, 0, std::string());
    progress(type, JsonData{json.data(), uint32_t(json.size())});
}

}  // namespace

SimagexLog& SimagexLog::shared()
{
    static SimagexLog log;
    return log;
}

int SimagexLog::open(const std::string& folder)
{
    if (!makeFolders(folder)) {
        return kCreateDirectoryFailed;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    const std::string path = (folder.back() == '/' ? folder : folder + "/") + "SimagexSDK.log";
    file_ = std::fopen(path.c_str(), "ae");
    return file_ ? kOk : kInitLogFailed;
}

void SimagexLog::write(const std::string& line)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!file_) {
        return;
    }
    timeval tv {};
    ::gettimeofday(&tv, nullptr);
    tm local {};
    ::localtime_r(&tv.tv_sec, &local);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(file_, "%s.%03d %s\n", stamp, int(tv.tv_usec / 1000), line.c_str());
    std::fflush(file_);
}

void SimagexLog::writeCode(int code, const std::string& detail)
{
    write("[code " + std::to_string(code) + "] " + SimagexErrorMessage(code) + ": " + detail);
}

}  // namespace simagex

using namespace simagex;

extern "C" const char* SimagexErrorMessage(int code)
{
    if (code < 0 || code >= int(std::size(kMessages))) {
        return "";
    }
    return kMessages[code];
}

extern "C" int InitImageDuplicate(const char* logFolder, const char* /*reserved*/)
{
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    if (!logFolder || logFolder[0] == '\0') {
        return kParamInvaild;
    }
    const int code = SimagexLog::shared().open(logFolder);
    if (code == kOk) {
        SimagexLog::shared().write("Simagex log opened");
    }
    return code;
}

extern "C" void SimagexSetDecodeHookForTesting(SimagexDecodeHook hook, void* context)
{
    gDecodeHookContext.store(context);
    gDecodeHook.store(hook);
}

extern "C" void SimagexSetDecodedHookForTesting(SimagexDecodeHook hook, void* context)
{
    gDecodedHookContext.store(context);
    gDecodedHook.store(hook);
}

extern "C" int SimagexDecodersRunning(void)
{
    DecoderCount& count = decoders();
    std::lock_guard<std::mutex> lock(count.mutex);
    return count.running;
}

extern "C" int StopFindDuplicates(int32_t reason)
{
    if (gRunning.load()) {
        gStop.store(true);
        SimagexLog::shared().write("stop requested (" + std::to_string(reason) + ")");
    }
    return kOk;
}

extern "C" int FindDuplicates(const char* const* paths, int32_t count, const FindOptions* options,
                              FoundDupCallback found, ProgressCallback progress)
{
    SimagexLog& log = SimagexLog::shared();
    if (!paths || count <= 0 || !options || !found || !progress) {
        log.writeCode(kParamInvaild, "FindDuplicates");
        reportEnd(progress, kProgressFinished);
        return kParamInvaild;
    }
    bool idle = false;
    if (!gRunning.compare_exchange_strong(idle, true)) {
        log.writeCode(kParamInvaild, "a search is already running");
        reportEnd(progress, kProgressFinished);
        return kParamInvaild;
    }
    gStop.store(false);
    // Every core already decodes an image of its own; OpenCV's own worker
    // pool would only add threads that fight them for the same cores.
    cv::setNumThreads(0);

    // Copy everything out of the caller's record before any work starts.
    FindOptions record;
    std::memcpy(&record, options, sizeof record);
    WalkOptions walk;
    walk.whiteList = copyTexts(record.whiteList, record.whiteListCount);
    walk.extensions = copyTexts(record.extensions, record.extensionCount);
    walk.minSize = record.minFileSize > 0 ? record.minFileSize : 0;
    walk.maxSize = record.maxFileSize > 0 ? record.maxFileSize : 0;
    walk.skipHidden = record.skipHidden != 0;
    double threshold = record.threshold;
    if (!std::isfinite(threshold)) {
        threshold = 85.0;
    }
    threshold = std::clamp(threshold, 20.0, 100.0);

    // The caller lists its white-list folders after the folders to search;
    // they only exclude and are never searched themselves.
    std::vector<std::string> excludedRoots;
    for (const auto& w : walk.whiteList) {
        excludedRoots.push_back(trimSlashes(w));
    }
    for (const std::string& path : copyTexts(paths, count)) {
        const std::string root = trimSlashes(path);
        if (std::find(excludedRoots.begin(), excludedRoots.end(), root) == excludedRoots.end()) {
            walk.roots.push_back(path);
        }
    }

    log.write("search: " + std::to_string(walk.roots.size()) + " folders, threshold " + std::to_string(threshold)
              + ", allowed distance " + std::to_string(allowedDistance(threshold)));
    for (const auto& root : walk.roots) {
        log.write("  folder " + root);
    }
    for (const auto& w : walk.whiteList) {
        log.write("  excluded " + w);
    }

    int code = kOk;
    try {
        Search search(std::move(walk), threshold, found, progress);
        code = search.run();
    } catch (const std::exception& e) {
        log.writeCode(kCrashed, e.what());
        reportEnd(progress, gStop.load() ? kProgressStopped : kProgressFinished);
        code = kCrashed;
    }
    gRunning.store(false);
    return code;
}
