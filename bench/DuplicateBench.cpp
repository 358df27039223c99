// Runs the duplicate-file engine once over a folder and prints its groups:
// one path per line (the raw bytes), a blank line after each group. The wall
// time of the scan and the peak memory go to standard error.
//
//   twinsweep-dup-bench FOLDER [--settings PreferenceInfo.plist] [--output FILE] [--walk-only]
//                       [--data-home DIR]
//   twinsweep-dup-bench --md5-rate
//
// With --walk-only the engine only walks (the first phase of a scan) and
// reports the walk's time and the number of paths it kept. --md5-rate hashes
// as many messages as the widest MD5 kernel has lanes for half a second of
// processor time and prints the bytes a second. The bytes read
// come from /proc/self/io.
//
// The settings file is copied into a private application-support folder, so
// the user's own settings are neither read nor touched.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <time.h>

#include "Foundation/IoBatch.h"
#include "Manager/ScanManager.h"
#include "Md5/Md5.h"
#include "Model/PerferenceInfo.h"

namespace {

class QuitWhenFinished : public ScanManagerProtocol {
public:
    void startScan() override {}
    void stopScan() override {}
    void scaningPath(const QString&) override {}
    void scanProgress(double) override {}
    void scanFinished() override
    {
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    }
    void startRemove() override {}
    void stopRemove() override {}
    void removeFinished() override {}
};

int md5Rate()
{
    const size_t lanes = size_t(Md5Lanes::lanesOf(Md5Lanes::kernel()));
    const size_t piece = 1 << 20;
    std::vector<uint8_t> bytes(lanes * piece);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = uint8_t(i * 2654435761u >> 13);
    }
    std::vector<const uint8_t*> data;
    for (size_t i = 0; i < lanes; ++i) {
        data.push_back(bytes.data() + i * piece);
    }
    // Timed by the processor time this thread got: on a busy machine the
    // others' work is not the kernel's slowness.
    const auto cpuSeconds = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    };
    const double start = cpuSeconds();
    uint64_t hashed = 0;
    while (cpuSeconds() - start < 0.5) {
        Md5Lanes md5(lanes);
        md5.add(data.data(), piece);
        md5.finish();
        hashed += lanes * piece;
    }
    std::printf("md5_lanes: %zu\nmd5_lanes_bytes_per_second: %.0f\n", lanes, double(hashed) / (cpuSeconds() - start));
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: twinsweep-dup-bench FOLDER [--settings FILE] [--output FILE] [--walk-only] [--data-home DIR]\n"
                         "       twinsweep-dup-bench --md5-rate\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--md5-rate") == 0) {
        return md5Rate();
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own data folder: a fresh one per run, or one kept
    // between runs (--data-home), where the settings exist before a scan
    // starts as they do in the program, instead of being written first.
    QByteArray dataHome;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--data-home") == 0) {
            dataHome = argv[i + 1];
        }
    }
    QTemporaryDir home;
    if (dataHome.isEmpty()) {
        if (!home.isValid()) {
            return 1;
        }
        dataHome = QFile::encodeName(home.path());
    }
    qputenv("XDG_DATA_HOME", dataHome);
    QGuiApplication app(argc, argv);

    QString folder;
    QString settings;
    QString output;
    bool walkOnly = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--settings" && i + 1 < args.size()) {
            settings = args[++i];
        } else if (args[i] == "--data-home" && i + 1 < args.size()) {
            ++i;  // taken before the application was made
        } else if (args[i] == "--output" && i + 1 < args.size()) {
            output = args[++i];
        } else if (args[i] == "--walk-only") {
            walkOnly = true;
        } else if (folder.isEmpty() && !args[i].startsWith("--")) {
            folder = args[i];
        } else {
            return usage();
        }
    }
    if (folder.isEmpty()) {
        return usage();
    }
    if (!settings.isEmpty()) {
        const QString target = PerferenceInfo::settingsPath();
        QFile::remove(target);
        if (target.isEmpty() || !QFile::copy(settings, target)) {
            std::fprintf(stderr, "cannot use settings file %s\n", qPrintable(settings));
            return 1;
        }
    }

    ScanManager& engine = ScanManager::default_();
    if (walkOnly) {
        engine.setScanSetupObj(std::make_shared<PerferenceInfo>());
        QElapsedTimer timer;
        timer.start();
        const auto table = engine.walkTable({QFile::encodeName(folder)}, false);
        std::fprintf(stderr, "walk_seconds: %.3f\nsizes: %zu\nkept: %zu\n", timer.nsecsElapsed() / 1e9,
                     table->sizes().size(), table->files().size());
        return 0;
    }
    QuitWhenFinished delegate;
    engine.setDelegate(&delegate);
    engine.setFolderList({QFile::encodeName(folder)});
    QElapsedTimer timer;
    timer.start();
    engine.scanDuplicateFile();
    app.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    engine.setDelegate(nullptr);

    FILE* out = output.isEmpty() ? stdout : std::fopen(QFile::encodeName(output).constData(), "wb");
    if (!out) {
        return 1;
    }
    for (const DuplicateFilesPtr& group : engine.totalFiles()) {
        for (const FileInfoPtr& info : group->infos()) {
            const QByteArray path = info->path();
            std::fwrite(path.constData(), 1, static_cast<size_t>(path.size()), out);
            std::fputc('\n', out);
        }
        std::fputc('\n', out);
    }
    if (out != stdout) {
        std::fclose(out);
    }
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    // The read calls' bytes, and those read through the kernel's ring,
    // which its count does not see.
    QFile io(QStringLiteral("/proc/self/io"));
    QByteArray readBytes = "?";
    if (io.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : io.readAll().split('\n')) {
            if (line.startsWith("rchar:")) {
                readBytes = QByteArray::number(line.mid(6).trimmed().toULongLong() + IoBatch::bytesReadThroughRing());
            }
        }
    }
    std::fprintf(stderr, "groups: %lld\nwall_seconds: %.3f\npeak_rss_kb: %ld\nread_bytes: %s\n",
                 static_cast<long long>(engine.totalFiles().size()), seconds, usage.ru_maxrss, readBytes.constData());
    // The scan is over and told. Qt's teardown would now load the whole font
    // configuration only to discard it (30-40 ms, more than the scan of a
    // small tree takes), which no scan in the program ever waits for.
    std::fflush(nullptr);
    std::_Exit(0);
}
