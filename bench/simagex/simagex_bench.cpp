// Speed and honesty of the similar-image search against findimagedupes.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "ImageSet.h"
#include "Simagex.h"

namespace fs = std::filesystem;
using Pair = std::pair<std::string, std::string>;

namespace {

std::mutex gMutex;
std::vector<std::vector<std::string>> gGroups;
std::map<std::string, size_t> gGroupOf;

std::string base(const std::string& path)
{
    const std::string name = fs::path(path).filename().string();
    return name.substr(0, name.find('_'));
}

void found(JsonData data)
{
    const auto doc = QJsonDocument::fromJson(QByteArray(data.data, int(data.length)));
    std::lock_guard<std::mutex> lock(gMutex);
    for (const auto& e : doc.array()) {
        const std::string source = e.toObject().value("path").toString().toStdString();
        if (!gGroupOf.count(source)) {
            gGroupOf[source] = gGroups.size();
            gGroups.emplace_back();
        }
        for (const auto& m : e.toObject().value("similar_img_infos").toArray()) {
            gGroups[gGroupOf[source]].push_back(m.toObject().value("path").toString().toStdString());
        }
    }
}

void progress(ProgressType, JsonData) {}

std::set<Pair> pairsOf(const std::vector<std::vector<std::string>>& groups)
{
    std::set<Pair> pairs;
    for (const auto& g : groups) {
        for (size_t i = 0; i < g.size(); ++i) {
            for (size_t k = i + 1; k < g.size(); ++k) {
                const auto a = fs::path(g[i]).filename().string();
                const auto b = fs::path(g[k]).filename().string();
                pairs.insert(a < b ? Pair{a, b} : Pair{b, a});
            }
        }
    }
    return pairs;
}

void score(const char* who, const std::set<Pair>& pairs, const std::set<Pair>& known, size_t images, double seconds)
{
    size_t hits = 0;
    size_t falsePairs = 0;
    for (const auto& p : pairs) {
        if (known.count(p)) {
            ++hits;
        } else if (base(p.first) != base(p.second)) {
            ++falsePairs;
        }
    }
    std::printf("%-15s %8.2f s %9.1f images/s  known pairs found %zu of %zu  false pairs %zu\n", who, seconds,
                images / seconds, hits, known.size(), falsePairs);
    if (std::getenv("BENCH_DETAIL")) {
        // Kinds cycle photo, shapes, texture, noise, gradient with the image number.
        const auto kind = [](const std::string& name) { return std::atoi(name.c_str() + 3) % 5; };
        std::map<int, int> missed, wrong;
        for (const auto& p : known) {
            missed[kind(p.first)] += pairs.count(p) ? 0 : 1;
        }
        for (const auto& p : pairs) {
            if (!known.count(p) && base(p.first) != base(p.second)) {
                wrong[kind(p.first) * 10 + kind(p.second)] += 1;
            }
        }
        for (const auto& [k, n] : missed) {
            std::printf("  missed, kind %d: %d\n", k, n);
        }
        for (const auto& [k, n] : wrong) {
            std::printf("  false, kinds %d/%d: %d\n", k / 10, k % 10, n);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <folder> <count> <width> <height> [--no-peer]\n", argv[0]);
        return 2;
    }
    const std::string folder = fs::absolute(argv[1]).string();
    const int count = std::atoi(argv[2]);
    const cv::Size size(std::atoi(argv[3]), std::atoi(argv[4]));
    const bool peer = !(argc > 5 && std::string(argv[5]) == "--no-peer");
    fs::create_directories(folder);

    // img<N>_base.jpg for two thirds, img<N>_<variant>.jpg copies for the rest.
    const int bases = count - count / 3;
    std::set<Pair> known;
    const imageset::Kind kinds[] = {imageset::Kind::photo, imageset::Kind::shapes, imageset::Kind::texture,
                                    imageset::Kind::noise, imageset::Kind::gradient};
    std::atomic<int> made{0};
    std::vector<std::thread> makers;
    std::atomic<int> next{0};
    const auto make = [&] {
        for (int i; (i = next.fetch_add(1)) < bases;) {
            const std::string stem = folder + "/img" + std::to_string(i);
            const bool variant = i < count / 3;
            if (fs::exists(stem + "_base.jpg") && (!variant || fs::exists(stem + "_variant.jpg"))) {
                continue;
            }
            const cv::Mat image = imageset::makeBase(kinds[i % 5], unsigned(i + 1000), size);
            imageset::write(stem + "_base.jpg", image, 90);
            if (variant) {
                switch (i % 3) {
                case 0: imageset::write(stem + "_variant.jpg", imageset::resized(image, 0.5), 85); break;
                case 1: imageset::write(stem + "_variant.jpg", image, 40); break;
                default: imageset::write(stem + "_variant.jpg", imageset::brightened(image, 1.1), 90); break;
                }
            }
            ++made;
        }
    };
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t) {
        makers.emplace_back(make);
    }
    for (auto& t : makers) {
        t.join();
    }
    for (int i = 0; i < count / 3; ++i) {
        const std::string a = "img" + std::to_string(i) + "_base.jpg";
        const std::string b = "img" + std::to_string(i) + "_variant.jpg";
        known.insert(a < b ? Pair{a, b} : Pair{b, a});
    }
    std::printf("%d images of %dx%d in %s (%d made now), %zu known similar pairs, %u cores\n", count, size.width,
                size.height, folder.c_str(), made.load(), known.size(), std::thread::hardware_concurrency());

    const char* ext[] = {".jpg"};
    FindOptions options{};
    options.threshold = 85;
    options.extensions = ext;
    options.extensionCount = 1;
    const char* paths[] = {folder.c_str()};
    const auto t0 = std::chrono::steady_clock::now();
    FindDuplicates(paths, 1, &options, found, progress);
    const double ours = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    score("Simagex", pairsOf(gGroups), known, size_t(count), ours);

    if (!peer) {
        return 0;
    }
    // findimagedupes prints one group per line; names have no blanks here.
    const std::string command = "findimagedupes -q -t 90% -R '" + folder + "' 2>/dev/null";
    const auto t1 = std::chrono::steady_clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    std::vector<std::vector<std::string>> theirs;
    char line[1 << 16];
    while (pipe && std::fgets(line, sizeof line, pipe)) {
        std::vector<std::string> group;
        std::string word;
        for (const char* c = line; *c; ++c) {
            if (*c == ' ' || *c == '\n') {
                if (!word.empty()) {
                    group.push_back(word);
                }
                word.clear();
            } else {
                word.push_back(*c);
            }
        }
        theirs.push_back(group);
    }
    if (pipe) {
        pclose(pipe);
    }
    const double peerSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
    score("findimagedupes", pairsOf(theirs), known, size_t(count), peerSeconds);
    std::printf("speed ratio Simagex / findimagedupes: %.1f\n", peerSeconds / ours);
    return 0;
}
