#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "Foundation/Dispatch.h"
#include "Foundation/FileManager.h"
#include "Manager/UserPrompter.h"
#include "Model/DuplicateFiles.h"

#include "TestSupport.h"

// Answers questions from a script; with the script empty it gives the
// cancelling answer, or, when holding, keeps the question open until
// answer() is called.
class ScriptedPrompter final : public UserPrompter {
public:
    struct Question {
        Kind kind;
        QString message;
        QString firstTitle;
        QString secondTitle;
    };

    void ask(Kind kind, const QString& message, const QString& firstTitle, const QString& secondTitle,
             std::function<void(int)> completion) override
    {
        std::lock_guard lock(mutex_);
        questions_.push_back({kind, message, firstTitle, secondTitle});
        if (!completion) {
            return;
        }
        if (hold_) {
            pending_ = std::move(completion);
            return;
        }
        const int answer = answers_.empty() ? cancellingAnswer(kind) : answers_.front();
        if (!answers_.empty()) {
            answers_.pop_front();
        }
        DispatchQueue::main().async([completion = std::move(completion), answer] { completion(answer); });
    }

    void script(std::initializer_list<int> answers)
    {
        std::lock_guard lock(mutex_);
        answers_.assign(answers);
    }
    void setHold(bool hold)
    {
        std::lock_guard lock(mutex_);
        hold_ = hold;
    }
    bool hasPending() const
    {
        std::lock_guard lock(mutex_);
        return static_cast<bool>(pending_);
    }
    void answer(int value)
    {
        std::function<void(int)> completion;
        {
            std::lock_guard lock(mutex_);
            completion = std::move(pending_);
            pending_ = nullptr;
        }
        if (completion) {
            DispatchQueue::main().async([completion, value] { completion(value); });
        }
    }
    std::vector<Question> questions() const
    {
        std::lock_guard lock(mutex_);
        return questions_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Question> questions_;
    std::deque<int> answers_;
    bool hold_ = false;
    std::function<void(int)> pending_;
};

// A test whose home, data and trash are temporary, with a scripted prompter.
class RemoveTestBase : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        UserPrompter::setShared(&prompter);
    }
    void TearDown() override
    {
        UserPrompter::setShared(nullptr);
        FileManager::clearFaults();
        TempHomeTest::TearDown();
    }

    // A scanned file: written now, its values read as a walk reads them.
    // `volume` overrides the volume the walk found (to put it elsewhere).
    FileInfoPtr scanned(const QString& relativePath, const QByteArray& contents, bool selected,
                        std::optional<QByteArray> volume = std::nullopt)
    {
        return recorded(QFile::encodeName(writeFile(relativePath, contents)), selected, std::move(volume));
    }
    // The record of a file already there, its values read as a walk reads them.
    FileInfoPtr recorded(const QByteArray& path, bool selected, std::optional<QByteArray> volume = std::nullopt)
    {
        auto values = ResourceValues::read(path);
        EXPECT_TRUE(values.has_value());
        if (volume) {
            values->volumeURL = *volume;
        }
        auto file = std::make_shared<FileInfo>(ResourceValueURL(path, values.value_or(ResourceValues{})));
        (void)file->size();
        file->setSelected(selected);
        return file;
    }

    static DuplicateFilesPtr group(const QList<FileInfoPtr>& files, ControlState state = ControlState::on)
    {
        auto g = std::make_shared<DuplicateFiles>();
        uint64_t total = 0;
        for (const auto& f : files) {
            total += f->size();
        }
        g->setInfos(files);
        g->setTotalSize(total);
        g->setSelectState(state);
        return g;
    }

    static QStringList names(const QString& folder)
    {
        QStringList list = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        list.sort();
        return list;
    }

    static bool exists(const FileInfoPtr& f) { return FileManager::default_().fileExists(f->path()); }

    QString folderAt(const QString& relative)
    {
        const QString path = scratch() + QLatin1Char('/') + relative;
        QDir().mkpath(path);
        return path;
    }

    // Free space of every file system reads as `bytes` (none: unreadable).
    static void injectFreeSize(std::optional<uint64_t> bytes, std::atomic<int>* reads = nullptr)
    {
        FileManagerFaults faults;
        faults.freeSize = [bytes, reads](const QByteArray&) {
            if (reads) {
                reads->fetch_add(1);
            }
            return bytes;
        };
        FileManager::setFaults(faults);
    }

    ScriptedPrompter prompter;
};
