#pragma once

#include <memory>

#include <QList>

#include "Model/DuplicateFiles.h"
#include <QAbstractItemView>

#include "QVLibrary/RYTableRowViewHost.h"
#include "RightLargeFileViewDelegate.h"
#include "View/CustomView/KPLLeftDataTableRowView.h"
#include "View/Extension/KPLExtensionView.h"

class ElidedLabel;
class FilePreviewView;
class KPLSplitView;
class QFrame;
class QLabel;
class RYTableView;
class RightDataPreviewViewDelegate;
class RightLargeFileTableCellView;
class RightLargeFileTableModel;

namespace Ui {
class RightLargeFileDataViewController;
}

// The right half of the large-file results: the files of the group chosen on
// the left, one row each with its tick, icon, name and size, and beside them
// the chosen file's details (a picture's icon or a live preview, the name,
// extension and size, and its dates). The scan screen owns the check-all box
// and the sort buttons; every tick is reported back to it.
//
// The table shows a snapshot of the group's list taken on the main thread.
// Orders are computed off the main thread on a copy, and the copy goes back
// into the group only while the group still holds the list that was copied.
class RightLargeFileDataViewController : public ViewController,
                                         public RYTableRowViewDelegate,
                                         public LeftDataTableRowViewDelegate {
    Q_OBJECT
public:
    explicit RightLargeFileDataViewController(QWidget* parent = nullptr);
    ~RightLargeFileDataViewController() override;

    // Non-owning; the owner clears them before it goes away.
    RightDataPreviewViewDelegate* delegate() const { return delegate_; }
    void setDelegate(RightDataPreviewViewDelegate* delegate) { delegate_ = delegate; }
    RightLargeFileViewDelegate* checkBoxDelegate() const { return checkBoxDelegate_; }
    void setCheckBoxDelegate(RightLargeFileViewDelegate* delegate) { checkBoxDelegate_ = delegate; }

    // Whether the ticks take clicks.
    bool checkIsEnabled() const { return checkIsEnabled_; }
    void setCheckIsEnabled(bool enabled);
    // Whether the names carry their tool tip.
    bool isEnabledSelect() const { return isEnabledSelect_; }

    // The group shown (an empty group before the first one).
    DuplicateFilesPtr files() const { return files_; }

    // Shows a group in the given order; none asks the screen for its empty
    // state and keeps the group shown before.
    void setData(const DuplicateFilesPtr& send, SortType sortType);
    // By name length (isSort) up or down, else back to size, largest first.
    void sortFilesOfName(bool isSort, bool isUpSort);
    // Size up when both are true, else size down.
    void sortFilesOfSize(bool isSort, bool isUpSort);
    // The order last asked for.
    SortType sortType() const { return sortType_; }
    // Takes a new snapshot of the group and draws every tick again (after
    // the check-all box changed them).
    void reloadData();

    // The files in the order shown.
    const QList<FileInfoPtr>& shownFiles() const;
    // Orders still being computed off the main thread.
    int sortsInFlight() const { return sortsInFlight_; }
    // Dates still being read off the main thread.
    int datesInFlight() const { return datesInFlight_; }

    // A click on a row's tick.
    void mainCheckBoxAction(int row);
    void checkBoxClick(int row) { mainCheckBoxAction(row); }
    // The check-all state of the group shown.
    SelectType selectType() const;
    static SelectType selectTypeOf(const QList<FileInfoPtr>& files);

    // Fills the detail pane for a file.
    void setDetailView(const FileInfoPtr& currentFile);
    // The file whose details show (null before the first selection).
    FileInfoPtr detailFile() const { return detailFile_; }

    // Stable orders of a list (called off the main thread).
    static QList<FileInfoPtr> sorted(QList<FileInfoPtr> files, SortType type);
    // The name's length in characters as a reader counts them (grapheme
    // clusters, not bytes or code units).
    static int nameLength(const QString& name);

    // Where the divider sits (x in the split view) and where it is pinned.
    int dividerPosition() const;
    static int pinnedDividerPosition(Qt::LayoutDirection direction);

    // Outlets.
    RYTableView* mainTableView() const;
    QLabel* iconImage() const;
    ElidedLabel* fileName() const;
    // The folder that holds the file shown.
    ElidedLabel* filePath() const;
    QLabel* fileInfo() const;
    QLabel* information() const;
    QLabel* creatTimeTextLabel() const;
    QLabel* updateTimeTextLable() const;
    QLabel* lastOpenTimeTextLable() const;
    QLabel* creatTimeLable() const;
    QLabel* updateTimeLabel() const;
    QLabel* lastOpenTimeLable() const;
    KPLSplitView* insideSplitView() const;
    FilePreviewView* filePreviewView() const;
    QWidget* rightView() const;
    RightLargeFileTableModel* tableModel() const { return model_; }
    RightLargeFileTableCellView* cellView() const { return cells_; }

    RYTableRowView* rowViewForRow(RYTableRowViewHost* host, int row) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void initConfig();
    void applySort(SortType type);
    void snapshot();
    void reportSelection();
    void tableViewSelectionDidChange();
    void pinDivider();

    std::unique_ptr<Ui::RightLargeFileDataViewController> ui_;
    RightLargeFileTableModel* model_ = nullptr;
    RightLargeFileTableCellView* cells_ = nullptr;
    RYTableRowViewHost* host_ = nullptr;
    RightDataPreviewViewDelegate* delegate_ = nullptr;
    RightLargeFileViewDelegate* checkBoxDelegate_ = nullptr;
    bool checkIsEnabled_ = true;
    bool isEnabledSelect_ = true;
    DuplicateFilesPtr files_ = std::make_shared<DuplicateFiles>();
    SortType sortType_ = SortType::defaultSort;
    quint64 sortGeneration_ = 0;
    int sortsInFlight_ = 0;
    FileInfoPtr detailFile_;
    int datesInFlight_ = 0;
    bool pinning_ = false;
    // The selection is being put back on the file the pane shows.
    bool restoringChoice_ = false;
};
