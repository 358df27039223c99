#pragma once

#include <memory>
#include <optional>

#include <QMainWindow>
#include <QStringList>

#include "Manager/LargeFilesManager.h"
#include "Model/PerferenceInfo.h"
#include "TestSupport.h"
#include "View/DataDispaly/LeftData/LeftDataViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewDelegate.h"

class RightLargeFileDataViewController;

// Stands in for the scan screen around the large-file panels: keeps the
// group the left panel chose and shows it in the right table, and records
// what the panels tell it.
class LargeFileScreen : public LeftDataViewDelegate,
                        public RightDataPreviewViewDelegate,
                        public RightLargeFileViewDelegate {
public:
    QStringList calls;
    DuplicateFilesPtr rightLargeDataFiles;
    RightLargeFileDataViewController* table = nullptr;
    SortType sortType = SortType::defaultSort;
    std::optional<SelectType> lastSelectType;
    std::optional<bool> notData;
    int countUpdates = 0;

    void leftDataViewUpdateViewSelected(bool viewSelected) override;
    void leftDataViewShowFiles(const DuplicateFilesList&) override {}
    void setRightLargeDataFiles(const DuplicateFilesPtr& files) override;
    void displayRightDataView() override;
    void updateRightDataBox(bool notData) override;
    void updateSelectCountSizeLabel() override {}
    void leftDataViewCtrReloadData(bool) override {}
    void updateCountLable(bool isCheck) override;
    void updateSelectedState(SelectType selectType) override;
};

// A temporary home with a main window and the large-file engine scanning
// sparse files (no disk use) under it.
class LargeFilePanelTest : public TempHomeTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A sparse file below scratch() of `size` bytes, last changed `age`
    // seconds ago; the path as bytes, so a name need not be UTF-8.
    QByteArray sparseFile(const QByteArray& relativePath, uint64_t size, int64_t age = 3600);
    // One file of every size band, age band and kind (see the source).
    void writeEveryBand();
    // Scans scratch() on this thread.
    void scan();
    LargeFilesManager& engine() { return LargeFilesManager::default_(); }
    DuplicateFilesPtr group(int slot) const;
    static QStringList names(const QList<FileInfoPtr>& files);
    // The seconds since today's 00:00 UTC.
    static int64_t secondsIntoToday();

    std::unique_ptr<QMainWindow> window;
    LargeFileScreen screen;
    std::shared_ptr<PerferenceInfo> settings;
};
