#pragma once

// The duplicate engine's removal driven as the removal screen drives it: a
// recording delegate, results filed as the scan files them, runs waited for.
#include "Manager/ScanManager.h"

#include "Foundation/Trash.h"
#include "GA/QVDAEventObserver.h"
#include "Manager/RemoveOperation.h"
#include "QVBaseLib/Helper.h"

#include "RecordingEngineDelegate.h"
#include "RemoveTestSupport.h"

class RemoveDuplicateFilesTest : public RemoveTestBase {
protected:
    void SetUp() override
    {
        RemoveTestBase::SetUp();
        Helper::setNetworkReachableOverride(true);
        engine().setDelegate(&delegate);
        engine().setRemoveProgressHandler([this](double value) { progress.append(value); });
        engine().updateResults([](ScanManager::Results& r) { r = ScanManager::Results(); });
    }
    void TearDown() override
    {
        engine().removeQueue().setSuspended(false);
        engine().removeQueue().waitUntilAllOperationsAreFinished();
        engine().setDelegate(nullptr);
        engine().setRemoveProgressHandler(nullptr);
        engine().updateResults([](ScanManager::Results& r) { r = ScanManager::Results(); });
        Helper::setNetworkReachableOverride(std::nullopt);
        RemoveTestBase::TearDown();
    }

    static ScanManager& engine() { return ScanManager::default_(); }

    // Files the groups as the scan's append step does.
    static void file(const QList<DuplicateFilesPtr>& groups)
    {
        engine().updateResults([&](ScanManager::Results& r) {
            for (const auto& g : groups) {
                const int n = g->fileCount();
                const uint64_t s = g->totalSize();
                r.totalFiles.append(g);
                r.totalFilesCount += n;
                r.totalFilesSize += s;
                switch (g->fileType()) {
                case FileType::video:
                    r.videoFiles.append(g), r.videoFilesCount += n, r.videoFilesSize += s;
                    break;
                case FileType::audio:
                    r.audioFiles.append(g), r.audioFilesCount += n, r.audioFilesSize += s;
                    break;
                case FileType::picture:
                    r.pictureFiles.append(g), r.pictureFilesCount += n, r.pictureFilesSize += s;
                    break;
                case FileType::document:
                    r.documentFiles.append(g), r.documentFilesCount += n, r.documentFilesSize += s;
                    break;
                case FileType::other:
                    r.otherFiles.append(g), r.otherFilesCount += n, r.otherFilesSize += s;
                    break;
                }
            }
        });
    }

    void removeAndWait(const RemoveType& type)
    {
        engine().removeDuplicateFiles(type);
        // The run's event follows its removeFinished() call.
        ASSERT_TRUE(waitUntil([&] { return delegate.has("removeFinished") && !label().isEmpty(); }));
        // The last progress values travel through the main queue.
        waitUntil([&] { return progress.size() >= engine().succeedRemoveCount(); });
    }

    // A removal of that kind; into the folder "chosen-folder" for a folder.
    RemoveType removal(RemoveType::Kind kind)
    {
        switch (kind) {
        case RemoveType::Kind::trash:
            return RemoveType::trash();
        case RemoveType::Kind::folder:
            return RemoveType::folder(QFile::encodeName(folderAt("chosen-folder")));
        case RemoveType::Kind::forever_:
            break;
        }
        return RemoveType::forever_();
    }

    QString label() const
    {
        for (const auto& e : recorder.events()) {
            if (e.category == "AfterDeleter" && e.action == "SuccessRemove") {
                return e.label;
            }
        }
        return {};
    }

    // R/A/y.jpg is kept, R/B/y.jpg (a copy with the same size and times, as
    // `cp -p` leaves it) selected. After the scan the user replaces R/B by a
    // link to `linkTarget` (R/A itself when empty), or, with `fileOnly`, the
    // selected file by a link to the kept one. The removal must refuse the
    // selected file and change nothing at all.
    void expectSwapChangesNothing(const RemoveType& type, const QString& linkTarget = QString(), bool fileOnly = false,
                                  bool bundle = false)
    {
        const QString item = bundle ? "X.app" : "y.jpg";
        QString keptPath = writeFile("R/A/" + item + (bundle ? "/Contents/binary" : ""), "the photo");
        QString chosenPath = writeFile("R/B/" + item + (bundle ? "/Contents/binary" : ""), "the photo");
        copyTimes(keptPath, chosenPath);
        if (bundle) {
            keptPath = scratch() + "/R/A/" + item;
            chosenPath = scratch() + "/R/B/" + item;
        }
        auto kept = recorded(QFile::encodeName(keptPath), false);
        auto chosen = recorded(QFile::encodeName(chosenPath), true);
        file({group({kept, chosen})});
        const QString destination = folderAt("chosen-folder");

        const QString r = scratch() + "/R";
        if (!linkTarget.isEmpty()) {
            // A copy of the same size and times on the far side of the link.
            QFile copy(linkTarget + "/" + item);
            ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
            copy.write("the photo");
            copy.close();
            copyTimes(chosenPath, copy.fileName());
        }
        if (fileOnly) {
            ASSERT_TRUE(QFile::remove(chosenPath));
            ASSERT_TRUE(QFile::link(keptPath, chosenPath));
        } else {
            ASSERT_TRUE(QDir(r).rename("B", "B.moved"));
            ASSERT_TRUE(QFile::link(linkTarget.isEmpty() ? r + "/A" : linkTarget, r + "/B"));
        }
        const auto before = treeSnapshot(r);
        const auto elsewhere = linkTarget.isEmpty() ? QMap<QString, QByteArray>() : treeSnapshot(linkTarget);

        removeAndWait(type.kind() == RemoveType::Kind::folder ? RemoveType::folder(QFile::encodeName(destination)) : type);

        EXPECT_EQ(treeSnapshot(r), before);
        if (!linkTarget.isEmpty()) {
            EXPECT_EQ(treeSnapshot(linkTarget), elsewhere);
        }
        EXPECT_TRUE(names(destination).isEmpty());
        EXPECT_TRUE(names(QFile::decodeName(Trash::filesFolder())).isEmpty());
        EXPECT_TRUE(names(QFile::decodeName(Trash::infoFolder())).isEmpty());
        EXPECT_EQ(engine().succeedRemoveCount(), 0);
        EXPECT_EQ(engine().failedRemoveCount(), 1);
        ASSERT_TRUE(chosen->removeError().has_value());
        EXPECT_EQ(chosen->removeError()->localizedDescription(), "The file has changed since the scan.");
        EXPECT_FALSE(chosen->selected());
        EXPECT_FALSE(kept->removeError().has_value());
    }

    RecordingEngineDelegate delegate;
    QList<double> progress;
    QVDAEventRecorder recorder;
};
