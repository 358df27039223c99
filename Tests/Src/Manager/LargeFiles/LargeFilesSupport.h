#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "GA/QVDAEventObserver.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/UserPrompter.h"
#include "Model/PerferenceInfo.h"
#include "RecordingEngineDelegate.h"
#include "TestSupport.h"

// Answers every question with a fixed answer and keeps the texts asked.
class ScriptedPrompter : public UserPrompter {
public:
    void ask(Kind kind, const QString& message, const QString&, const QString&,
             std::function<void(int)> completion) override;
    QStringList messages() const;

    int answer = 1;

private:
    mutable std::mutex mutex_;
    QStringList messages_;
};

// A fresh home per test, the engines pointed at it, a recording delegate and
// a scripted prompter; the large-file engine's clock is the real one unless
// a test fixes it.
class LargeFilesTest : public TempHomeTest {
protected:
    void SetUp() override;
    void TearDown() override;

    LargeFilesManager& engine() { return LargeFilesManager::default_(); }
    // The settings the walk's filters use, fresh from the settings file.
    std::shared_ptr<PerferenceInfo> settings();
    // A sparse file of `size` bytes (no real disk use) with its modification
    // time set; returns the path.
    QString sparseFile(const QString& relativePath, uint64_t size, std::optional<int64_t> mtime = std::nullopt);
    // Scans `folders` on this thread and lets queued progress arrive.
    void scan(const QStringList& folders);
    // Paths (relative to scratch()) of the files in one group.
    QStringList groupNames(int index) const;
    QStringList groupNames(const DuplicateFilesPtr& group) const;

    RecordingEngineDelegate delegate;
    ScriptedPrompter prompter;
    // Usage events stop here, with the network reported reachable.
    QVDAEventRecorder recorder;
    std::shared_ptr<PerferenceInfo> settings_;
};
