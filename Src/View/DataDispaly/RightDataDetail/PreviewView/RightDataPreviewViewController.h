#pragma once

#include <memory>

#include <QHash>

#include "KPLTableView.h"
#include "Manager/ScanManager.h"
#include <QAbstractItemView>

#include "QVLibrary/RYTableRowViewHost.h"
#include "RightDataPreviewViewDelegate.h"
#include "View/CustomView/KPLLeftDataTableRowView.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/DataDispaly/GroupArrayChange.h"
#include "View/DataDispaly/RightDataDetail/RightDataSelect.h"
#include "View/Extension/KPLExtensionView.h"

class FilePreviewView;
class KPLSplitView;
class QAbstractScrollArea;
class QFrame;
class RYTButton;
class RYTCheckBox;
class RowCountModel;

namespace Ui {
class RightDataPreviewViewController;
}

// The right result panel in preview mode: the groups handed in as a table,
// the chosen group's files in a second table, and the chosen file in a
// preview. The user ticks files or whole groups (with the same rules as the
// list), opens a file by its open button or a double click, and sizes the
// panes with two split views. The panel does not sort.
class RightDataPreviewViewController : public ViewController,
                                       public CellViewProvider,
                                       public RYTableRowViewDelegate,
                                       public LeftDataTableRowViewDelegate,
                                       public KPLTableViewDelegate {
    Q_OBJECT
public:
    explicit RightDataPreviewViewController(QWidget* parent = nullptr);
    ~RightDataPreviewViewController() override;

    // Non-owning; the scan screen clears it before it goes away.
    RightDataPreviewViewDelegate* delegate() const { return delegate_; }
    void setDelegate(RightDataPreviewViewDelegate* delegate) { delegate_ = delegate; }
    bool checkIsEnabled() const { return checkIsEnabled_; }
    void setCheckIsEnabled(bool enabled);
    bool isEnabledSelect() const { return isEnabledSelect_; }
    RightDataMainSelect lastMainSelect() const { return lastMainSelect_; }
    void setLastMainSelect(const RightDataMainSelect& select) { lastMainSelect_ = select; }
    RightDataSubSelect lastSubSelect() const { return lastSubSelect_; }
    void setLastSubSelect(const RightDataSubSelect& select) { lastSubSelect_ = select; }
    const DuplicateFilesList& filesArray() const { return filesArray_.list(); }
    const QList<FileInfoPtr>& detailFilesArray() const { return detailFilesArray_; }

    // Outlets.
    QFrame* contentBox() const;
    QWidget* dataPreviewView() const;
    KPLSplitView* horizontalSplitView() const;
    KPLSplitView* verticalSplitView() const;
    KPLTableView* mainTableView() const;
    KPLTableView* subTableView() const;
    FilePreviewView* filePreviewView() const;
    QAbstractScrollArea* subScrollView() const;

    // Shows a new group list; an empty one asks the scan screen for its
    // empty state and keeps the groups shown. The chosen group and file are
    // found again by their content.
    void setDataArray(const DuplicateFilesList& dataArray);
    // Shows the groups again after their ticks or files changed elsewhere,
    // chooses the remembered group and file again and fills the file table
    // with that group's files.
    void reloadData();
    // Forgets the remembered group and file.
    void initSelect();

    // Actions of the cells and tables.
    void mainCheckBoxAction(RYTCheckBox* btn);
    void subCheckBoxAction(RYTCheckBox* btn);
    void openFileAction(RYTButton* btn);
    void tableViewDoubleAction(const QModelIndex& index);
    void KPLTableViewClickRow(KPLTableView* tableView, int clickRow) override;

    // The split views' limits for divider 0, in the split view's coordinates
    // (x side by side, y from the top when stacked); other dividers keep the
    // proposed value.
    double splitViewConstrainMinCoordinate(KPLSplitView* splitView, double proposedMinimumPosition,
                                           int dividerIndex) const;
    double splitViewConstrainMaxCoordinate(KPLSplitView* splitView, double proposedMaximumPosition,
                                           int dividerIndex) const;

    // Lists.
    QWidget* cellViewForIndex(CellViewDelegate* delegate, const QModelIndex& index) override;
    int heightOfRow(const QModelIndex& index) const override;
    RYTableRowView* rowViewForRow(RYTableRowViewHost* host, int row) override;

    RowCountModel* mainModel() const { return mainModel_; }
    RowCountModel* subModel() const { return subModel_; }
    CellViewDelegate* mainCells() const { return mainCells_; }
    CellViewDelegate* subCells() const { return subCells_; }

    static constexpr int mainRowHeight = 50;
    static constexpr int subRowHeight = 36;

protected:
    void changeEvent(QEvent* event) override;

private:
    void initConfig();
    void applySplitLimits();
    void mainSelectionChanged();
    // Fills the file table with the files of the group at `row`; with the
    // same files as shown it only redraws them unless `reloadUnchanged`.
    void showFilesOfGroup(int row, bool reloadUnchanged);
    void subSelectionChanged();
    int rowOfGroup(const DuplicateFiles& item) const;
    int rowOfFile(const FileInfo& item) const;
    QWidget* mainCell(CellViewDelegate* delegate, int row);
    QWidget* subCell(CellViewDelegate* delegate, int row);
    static bool removeVariant();

    std::unique_ptr<Ui::RightDataPreviewViewController> ui_;
    RowCountModel* mainModel_ = nullptr;
    RowCountModel* subModel_ = nullptr;
    CellViewDelegate* mainCells_ = nullptr;
    CellViewDelegate* subCells_ = nullptr;
    RYTableRowViewHost* mainHost_ = nullptr;
    RYTableRowViewHost* subHost_ = nullptr;
    RightDataPreviewViewDelegate* delegate_ = nullptr;
    bool checkIsEnabled_ = true;
    bool isEnabledSelect_ = true;
    RightDataMainSelect lastMainSelect_;
    RightDataSubSelect lastSubSelect_;
    GroupRows filesArray_;
    QList<FileInfoPtr> detailFilesArray_;
    // The group whose files the file table shows.
    DuplicateFilesPtr detailGroup_;
    // The remembered group and file are being chosen again.
    bool restoringChoice_ = false;
};
