// Times whole large-file scans of one folder and prints one line per run:
// "run <n> <milliseconds> ms <files found>". The first run warms the cache
// and is printed as "warm".

#include <QFile>
#include <chrono>
#include <cstdio>

#include <QCoreApplication>
#include <QStringList>

#include "Manager/LargeFilesManager.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: largefiles_bench <folder> [runs]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? args.at(2).toInt() : 5;

    // Each scan reads the settings file (the defaults here) when it starts.
    LargeFilesManager& engine = LargeFilesManager::default_();
    engine.setFolderList({QFile::encodeName(args.at(1))});

    for (int run = 0; run <= runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        engine.scanLargeFile();
        const auto end = std::chrono::steady_clock::now();
        // Drop the progress reports queued for a screen there is not.
        QCoreApplication::processEvents();
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        const int found = engine.allFiles().isEmpty() ? 0 : engine.allFiles().at(0)->fileCount();
        if (run == 0) {
            std::printf("warm %.1f ms %d\n", ms, found);
        } else {
            std::printf("run %d %.1f ms %d\n", run, ms, found);
        }
        std::fflush(stdout);
    }
    return 0;
}
