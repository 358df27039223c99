#pragma once

#include <memory>

#include <QHash>
#include <QSet>

#include "Manager/ScanManager.h"
#include <QAbstractItemView>

#include "QVLibrary/RYTableRowViewHost.h"
#include "RightDataListMainTableCellView.h"
#include "RightDataListSubTableCellView.h"
#include "RightDataListViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/RightDataSelect.h"
#include "View/CustomView/KPLLeftDataTableRowView.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/Extension/KPLExtensionView.h"

class KPLOutlineView;
class RightDataListOutlineModel;

namespace Ui {
class RightDataListViewController;
}

// The right result panel in list mode: the groups handed in as an outline,
// each group's files under it. The user opens groups with their arrow,
// ticks files or whole groups, and opens a file by a double click or its
// open button. Every tick is reported to the scan screen through the
// delegate. The panel does not sort.
class RightDataListViewController : public ViewController,
                                    public RightDataListMainTableCellViewDelegate,
                                    public RightDataListSubTableCellViewDelegate,
                                    public CellViewProvider,
                                    public RYTableRowViewDelegate,
                                    public LeftDataTableRowViewDelegate {
    Q_OBJECT
public:
    explicit RightDataListViewController(QWidget* parent = nullptr);
    ~RightDataListViewController() override;

    KPLOutlineView* outlineView() const;

    // Non-owning; the scan screen clears it before it goes away.
    RightDataListViewDelegate* delegate() const { return delegate_; }
    void setDelegate(RightDataListViewDelegate* delegate) { delegate_ = delegate; }

    // Groups the user collapsed since the last setDataArray.
    const DuplicateFilesList& collapseItemArray() const { return collapseItemArray_; }
    bool checkIsEnabled() const { return checkIsEnabled_; }
    void setCheckIsEnabled(bool enabled);
    bool isEnabledSelect() const { return isEnabledSelect_; }
    void setIsEnabledSelect(bool enabled);
    RightDataMainSelect lastMainSelect() const { return lastMainSelect_; }
    void setLastMainSelect(const RightDataMainSelect& select) { lastMainSelect_ = select; }
    RightDataSubSelect lastSubSelect() const { return lastSubSelect_; }
    void setLastSubSelect(const RightDataSubSelect& select) { lastSubSelect_ = select; }
    const DuplicateFilesList& filesArray() const;

    // Shows a new group list. An empty list asks the scan screen for its
    // empty state and keeps the groups shown. A list that only adds groups
    // to the one shown inserts just those, so opened groups, the selection
    // and the scroll position stay.
    void setDataArray(const DuplicateFilesList& dataArray);
    // Shows the groups again after their ticks changed elsewhere.
    void reloadData();
    // Forgets the remembered group and file.
    void initSelect();
    // The next list opens the remembered group (unless the user closed it
    // here), as the switch from the preview wants; any list clears it.
    bool openChosenGroup() const { return openChosenGroup_; }
    void setOpenChosenGroup(bool open) { openChosenGroup_ = open; }

    // The outline's double action: opens a file row's file.
    void outlineViewDoubleAction(const QModelIndex& clicked);

    // Cell reports.
    void rightDataListMainTableCellViewCheckBoxClick(const DuplicateFilesPtr& item, int changeCount,
                                                    int64_t changeSize) override;
    void rightDataListMainTableCellViewArrowClick(const DuplicateFilesPtr& item, bool isExpand) override;
    void rightDataListSubTableCellViewCheckBoxClick(const DuplicateFilesPtr& item, const FileInfoPtr& subItem) override;
    void rightDataListSubTableCellViewOpenFileClick(const DuplicateFilesPtr& item, const FileInfoPtr& subItem) override;

    // The model and the painting of the rows (for the scan screen's tests).
    RightDataListOutlineModel* outlineModel() const { return model_; }
    CellViewDelegate* cellDelegate() const { return cells_; }
    RYTableRowViewHost* rowViewHost() const { return host_; }

    // Lists.
    QWidget* cellViewForIndex(CellViewDelegate* delegate, const QModelIndex& index) override;
    int heightOfRow(const QModelIndex& index) const override;
    RYTableRowView* rowViewForRow(RYTableRowViewHost* host, int row) override;

    static constexpr int rowHeight = 34;

private:
    void selectionChanged();
    void rememberCollapsed(const DuplicateFilesPtr& group);
    void forgetCollapsed(const DuplicateFilesPtr& group);
    QModelIndex indexOfMainSelect() const;
    // The remembered file's row wherever it shows in the outline.
    QModelIndex indexOfSubSelect() const;
    void chooseMainSelect(bool bringIntoView);
    void selectIndex(const QModelIndex& index, bool bringIntoView);
    static bool refreshWhileScanning();
    static bool removeVariant();

    std::unique_ptr<Ui::RightDataListViewController> ui_;
    RightDataListOutlineModel* model_ = nullptr;
    CellViewDelegate* cells_ = nullptr;
    RYTableRowViewHost* host_ = nullptr;
    RightDataListViewDelegate* delegate_ = nullptr;
    DuplicateFilesList collapseItemArray_;
    // How many collapsed entries each file list has, to keep one per list.
    QHash<QByteArray, int> collapsedKeys_;
    bool checkIsEnabled_ = true;
    bool isEnabledSelect_ = true;
    RightDataMainSelect lastMainSelect_;
    RightDataSubSelect lastSubSelect_;
    bool isExpandItemAll_ = false;
    bool openChosenGroup_ = false;
};
