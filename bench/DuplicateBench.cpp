// Runs the duplicate-file engine once over a folder and prints its groups:
// one path per line (the raw bytes), a blank line after each group. The wall
// time of the scan and the peak memory go to standard error.
//
//   twinsweep-dup-bench FOLDER [--settings PreferenceInfo.plist] [--output FILE]
//
// The settings file is copied into a private application-support folder, so
// the user's own settings are neither read nor touched.

#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "Manager/ScanManager.h"
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

int usage()
{
    std::fprintf(stderr, "usage: twinsweep-dup-bench FOLDER [--settings FILE] [--output FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid()) {
        return 1;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    QGuiApplication app(argc, argv);

    QString folder;
    QString settings;
    QString output;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--settings" && i + 1 < args.size()) {
            settings = args[++i];
        } else if (args[i] == "--output" && i + 1 < args.size()) {
            output = args[++i];
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
    std::fprintf(stderr, "groups: %lld\nwall_seconds: %.3f\npeak_rss_kb: %ld\n",
                 static_cast<long long>(engine.totalFiles().size()), seconds, usage.ru_maxrss);
    return 0;
}
