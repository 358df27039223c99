#pragma once

#include <mutex>
#include <vector>

#include <QDir>
#include <QFile>

#include "Foundation/PropertyList.h"
#include "Manager/AssembleOperation.h"
#include "Manager/ScanManager.h"
#include "Model/PerferenceInfo.h"
#include "TestSupport.h"

// Records every report of the engine, from whatever thread it comes.
class RecordingDelegate : public ScanManagerProtocol {
public:
    std::function<void()> onStart;
    std::function<void(const QString&)> onPath;

    void startScan() override
    {
        add("start");
        if (onStart) {
            onStart();
        }
    }
    void stopScan() override { add("stop"); }
    void scaningPath(const QString& path) override
    {
        {
            std::lock_guard lock(mutex);
            paths.push_back(path);
        }
        if (onPath) {
            onPath(path);
        }
    }
    void scanProgress(double value) override
    {
        std::lock_guard lock(mutex);
        progress.push_back(value);
    }
    void scanFinished() override
    {
        add("finished");
        if (onFinished) {
            onFinished();
        }
    }
    std::function<void()> onFinished;
    void startRemove() override {}
    void stopRemove() override {}
    void removeFinished() override { add("removeFinished"); }

    int count(const QString& event) const
    {
        std::lock_guard lock(mutex);
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }
    std::vector<QString> eventList() const
    {
        std::lock_guard lock(mutex);
        return events;
    }
    std::vector<double> progressList() const
    {
        std::lock_guard lock(mutex);
        return progress;
    }
    std::vector<QString> pathList() const
    {
        std::lock_guard lock(mutex);
        return paths;
    }

    mutable std::mutex mutex;
    std::vector<QString> events;
    std::vector<double> progress;
    std::vector<QString> paths;

private:
    void add(const QString& event)
    {
        std::lock_guard lock(mutex);
        events.push_back(event);
    }
};

// The counts and sizes match the groups, and every group is in one kind's list.
inline void expectConsistentResults()
{
    const ScanManager::Results r = ScanManager::default_().results();
    int files = 0;
    uint64_t bytes = 0;
    for (const auto& group : r.totalFiles) {
        files += group->fileCount();
        bytes += group->totalSize();
        EXPECT_GE(group->fileCount(), 2);
    }
    EXPECT_EQ(files, r.totalFilesCount);
    EXPECT_EQ(bytes, r.totalFilesSize);
    EXPECT_EQ(r.totalFiles.size(), r.videoFiles.size() + r.audioFiles.size() + r.pictureFiles.size() +
                                       r.documentFiles.size() + r.otherFiles.size());
    EXPECT_EQ(r.totalFilesCount, r.videoFilesCount + r.audioFilesCount + r.pictureFilesCount +
                                     r.documentFilesCount + r.otherFilesCount);
}

class ScanFixture : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        engine().setDelegate(&delegate);
    }
    void TearDown() override
    {
        // The engine may still be inside its last report; wait until it is
        // done with the delegate before the delegate goes away.
        waitUntil([] { return !ScanManager::default_().scaning(); }, std::chrono::seconds(60));
        EXPECT_TRUE(engine().waitUntilIdle(60000));
        engine().setDelegate(nullptr);
        setMd5ReadFailureForTesting(nullptr);
        TempHomeTest::TearDown();
    }

    static ScanManager& engine() { return ScanManager::default_(); }

    // Writes the settings file over the defaults.
    void settings(const PlistDict& changes)
    {
        PlistDict dict = PerferenceInfo::defaultDictionary();
        for (const auto& item : changes.items()) {
            dict.insert(item.first, item.second);
        }
        ASSERT_TRUE(PropertyList::writeFile(PerferenceInfo::settingsPath(), QVariant::fromValue(dict)));
    }
    // Hidden and zero-byte files taken in, as the comparison tools do.
    void includeEverything() { settings({{"hiddenFile", false}, {"zeroByteFile", false}}); }

    // Runs a whole scan and waits for its end.
    void scan(const QStringList& folders)
    {
        QByteArrayList paths;
        for (const QString& folder : folders) {
            paths << QFile::encodeName(folder);
        }
        scan(paths);
    }
    void scan(const QByteArrayList& folders)
    {
        engine().setFolderList(folders);
        engine().scanDuplicateFile();
        ASSERT_TRUE(waitUntil([&] { return delegate.count("finished") == 1 && !engine().scaning(); },
                              std::chrono::seconds(60)));
        ASSERT_TRUE(engine().waitUntilIdle(60000));
    }

    // The groups as sorted lists of paths relative to scratch().
    std::vector<QStringList> groups() const
    {
        std::vector<QStringList> out;
        for (const DuplicateFilesPtr& group : engine().totalFiles()) {
            QStringList paths;
            for (const FileInfoPtr& info : group->infos()) {
                paths << info->displayPath().mid(scratch().size() + 1);
            }
            out.push_back(paths);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    QByteArray bytesOf(const QString& relative) const { return QFile::encodeName(scratch() + "/" + relative); }

    RecordingDelegate delegate;
};
