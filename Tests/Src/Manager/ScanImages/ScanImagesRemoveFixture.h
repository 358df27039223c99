#pragma once

// The similar-image engine's removal on a scripted search of real files.
#include <QFile>

#include <gtest/gtest.h>

#include "Foundation/FileManager.h"
#include "QVBaseLib/Helper.h"
#include "ScanImagesTestSupport.h"
#include "TestSupport.h"

class ScanImagesRemoveTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        Helper::setNetworkReachableOverride(true);
        ScriptedLibrary::reset();
        manager_ = std::make_unique<ScanImagesManager>(ScriptedLibrary::functions());
        manager_->setDelegate(&delegate_);
        manager_->setRemoveDelegate(&delegate_);
        manager_->setThumbnailsEnabledForTesting(false);
    }
    void TearDown() override
    {
        manager_.reset();
        FileManager::clearFaults();
        Helper::setNetworkReachableOverride(std::nullopt);
        ScriptedLibrary::reset();
        TempHomeTest::TearDown();
    }
    // One group per list of names, each name a file of `size` bytes.
    ScanImagesGroupList search(const QList<QStringList>& groups)
    {
        QList<QStringList> paths;
        for (const auto& names : groups) {
            QStringList p;
            for (const auto& n : names) {
                p.append(writeFile("pics/" + n, QByteArray(100, 'x')));
            }
            paths.append(p);
        }
        ScriptedLibrary::script = [&](FoundDupCallback found, ProgressCallback progress) {
            for (const auto& p : paths) {
                sendFound(found, p.first(), p);
            }
            sendProgress(progress, 1, 1, 0, QString());
            return kOk;
        };
        manager_->findDuplicateImages({QFile::encodeName(scratch() + "/pics")});
        return manager_->dupImages();
    }
    static void select(const ScanImagesGroupList& groups, const QStringList& names)
    {
        for (const auto& g : groups) {
            for (const auto& item : g->dupImageItems()) {
                item->setIsSelect(names.contains(item->imageName()));
            }
        }
    }
    void removeAndWait(const ScanImagesGroupList& groups)
    {
        manager_->removeDuplicatesImages(groups);
        manager_->waitForRemoval();
    }
    static QStringList names(const ScanImagesGroupList& groups)
    {
        QStringList out;
        for (const auto& g : groups) {
            for (const auto& item : g->dupImageItems()) {
                out.append(item->imageName());
            }
        }
        out.sort();
        return out;
    }

    RecordingDelegate delegate_;
    std::unique_ptr<ScanImagesManager> manager_;
};
