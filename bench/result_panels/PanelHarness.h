#pragma once

#include <functional>

#include <QStackedWidget>
#include <QWidget>

#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"

// A stand-in for the scan screen: the left panel beside one right panel,
// wired through the panels' delegate protocols as the scan screen wires them.
class PanelHarness : public QWidget,
                     public LeftDataViewDelegate,
                     public RightDataListViewDelegate,
                     public RightDataPreviewViewDelegate {
public:
    explicit PanelHarness(bool previewMode);
    ~PanelHarness() override;

    LeftDataViewController* left = nullptr;
    RightDataListViewController* list = nullptr;
    RightDataPreviewViewController* preview = nullptr;
    bool previewMode = false;
    DuplicateFilesList rightDataFilesArray;
    int selectionReports = 0;

    // Runs after every left reload the right panels asked for.
    std::function<void()> onLeftReloaded;

    void leftDataViewUpdateViewSelected(bool viewSelected) override;
    void leftDataViewShowFiles(const DuplicateFilesList& files) override;
    void setRightLargeDataFiles(const DuplicateFilesPtr&) override {}
    void displayRightDataView() override;
    void updateRightDataBox(bool) override {}
    void updateSelectCountSizeLabel() override { ++selectionReports; }
    void leftDataViewCtrReloadData(bool sort) override;

private:
    QStackedWidget* right_ = nullptr;
};
