#pragma once

#include <memory>

#include <QAbstractItemView>
#include <QMainWindow>
#include <QStringList>

#include "Manager/ScanManager.h"
#include "TestSupport.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/DataDispaly/LeftData/LeftDataViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewDelegate.h"

class RYTCheckBox;
class SheetWindowController;

// Stands in for the scan screen: records every delegate call in order.
class RecordingScreen : public LeftDataViewDelegate, public RightDataListViewDelegate, public RightDataPreviewViewDelegate {
public:
    QStringList calls;
    DuplicateFilesList shownFiles;
    std::function<void(const DuplicateFilesList&)> onShowFiles;
    std::function<void(bool)> onReloadLeft;

    void leftDataViewUpdateViewSelected(bool viewSelected) override;
    void leftDataViewShowFiles(const DuplicateFilesList& files) override;
    void setRightLargeDataFiles(const DuplicateFilesPtr&) override { calls << QStringLiteral("setRightLargeDataFiles"); }
    void displayRightDataView() override { calls << QStringLiteral("displayRightDataView"); }
    void updateRightDataBox(bool notData) override;
    void updateSelectCountSizeLabel() override { calls << QStringLiteral("updateSelectCountSizeLabel"); }
    void leftDataViewCtrReloadData(bool sort) override;
};

// Clicks the control named `controlName` in the row of `index` with the
// mouse, where the row's cell paints it.
void clickRowControl(QAbstractItemView* view, CellViewDelegate* cells, const QModelIndex& index,
                     const char* controlName);

// A temporary home with a main window (sheets need one) and the duplicate
// engine scanning real files under it.
class PanelTest : public TempHomeTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the files under "tree/" of the home and scans that folder; the
    // engine's groups (sorted by path inside each group).
    DuplicateFilesList scan(const QList<QPair<QString, QByteArray>>& files);
    // The group whose files end with these names, in any order of groups.
    static DuplicateFilesPtr groupNamed(const DuplicateFilesList& groups, const QString& firstFileName);
    static QStringList selectedNames(const DuplicateFiles& group);

    // The last-file question showing now, or null.
    static SheetWindowController* waitForSheet();
    // Answers the showing sheet with "Yes" (true) or "Cancel", optionally
    // ticking "Don't remind me again." first.
    static void answerSheet(bool yes, bool dontRemind = false);

    std::unique_ptr<QMainWindow> window;
    RecordingScreen screen;
};
