#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "LeftDataViewDelegate.h"
#include "LeftLargeDataListStyle.h"
#include "LeftLargeDataTimeStyle.h"
#include "LeftLargeDataType.h"
#include "LeftLargeDataTypeStyle.h"
#include "MouseUpTextField.h"
#include <QAbstractItemView>

#include "QVLibrary/RYTableRowViewHost.h"
#include "View/CustomView/KPLLeftDataTableRowView.h"
#include "View/CustomView/SortPopButton.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/Extension/KPLExtensionView.h"

class QAbstractScrollArea;
class QFrame;
class QItemSelectionModel;
class RYTButton;
class RYTableView;
class RowCountModel;

namespace Ui {
class LeftLargeFileViewController;
}

// The left half of the large-file results: the engine's groups by size band,
// by age or by kind (the "By …" pop-up), each row with its icon, title, share
// of the all-files bytes and size, and the "All" and "Selected" switches
// (every file of a group, or only the checked ones). Choosing a row hands its
// group to the scan screen for the right table.
//
// Reloads measure and sort off the main thread on copies of the groups'
// lists; a sorted copy goes back into its group on the main thread, and only
// while the group still holds the list that was copied, so no list is ever
// sorted in place by a worker or read while it is being sorted.
class LeftLargeFileViewController : public ViewController,
                                    public CellViewProvider,
                                    public RYTableRowViewDelegate,
                                    public LeftDataTableRowViewDelegate,
                                    public MouseUpTextFieldDelegate,
                                    public SortPopButtonDelegate {
    Q_OBJECT
public:
    explicit LeftLargeFileViewController(QWidget* parent = nullptr);
    ~LeftLargeFileViewController() override;

    // Non-owning; the scan screen clears it before it goes away.
    LeftDataViewDelegate* delegate() const { return delegate_; }
    void setDelegate(LeftDataViewDelegate* delegate) { delegate_ = delegate; }

    bool isSelectedView() const { return isSelectedView_; }
    bool isNotData() const { return isNotData_; }
    FunctionType functionType() const { return functionType_; }
    int currentRow() const { return currentRow_; }
    // Whether the rows carry their file count as tool tip; the scan screen
    // turns it off while it fills the panel.
    bool isEnabledSelect() const { return isEnabledSelect_; }
    void setIsEnabledSelect(bool enabled) { isEnabledSelect_ = enabled; }
    double filesCountStringWidth() const { return filesCountStringWidth_; }
    bool defaultNotDataTableView() const { return defaultNotDataTableView_; }
    bool defaultSelect() const { return defaultSelect_; }

    // The lists of the grouping shown: every file, or only the checked ones.
    const std::vector<LeftLargeDataRowPtr>& allRows(FunctionType type) const;
    const std::vector<LeftLargeDataRowPtr>& selectedRows(FunctionType type) const;
    // The rows drawn now.
    const std::vector<LeftLargeDataRowPtr>& shownRows() const;
    // The group of a drawn row (null outside the rows).
    DuplicateFilesPtr groupAt(int row) const;
    int rowCount() const;

    // Outlets.
    RYTButton* leftBtn() const;
    RYTButton* rightBtn() const;
    MouseUpTextField* leftBtnLabel() const;
    MouseUpTextField* rightBtnLabel() const;
    QFrame* tableViewBox() const;
    QAbstractScrollArea* scrollView() const;
    RYTableView* tableView() const;
    SortPopButton* sortPopButton() const;

    // Empties the size rows; the table reloads on the main queue.
    void clearDataArray();
    // Builds every list anew and reloads the three groupings; `completed`
    // runs on the main queue after the age and after the kind reload.
    void setDataArray(std::function<void()> completed);
    // One reload of a grouping's list (an all-files or a selected-only one):
    // measures the size texts and, when `sort`, orders each row's files by
    // size, largest first, off the main thread; then reloads the table,
    // selects the remembered row and hands its group to the scan screen.
    void reloadData(const std::vector<LeftLargeDataRowPtr>& tempArray, bool sort, std::function<void()> completed);
    void reloadTimeData(const std::vector<LeftLargeDataRowPtr>& tempArray, bool sort,
                        std::function<void()> completed);
    void reloadTypeData(const std::vector<LeftLargeDataRowPtr>& tempArray, bool sort,
                        std::function<void()> completed);
    // Selects row 0 and shows its group.
    void defaultSelectFirst();
    // Fills the selected-only lists of the grouping shown with the checked
    // files of the matching all-files rows.
    void filterData();

    void allFileViewAction();
    void selectFileViewAction();
    void mouseUp(MouseUpTextField* textField) override;
    // 1 by size, 2 by date, anything else by type.
    void sortData(int tag) override;

    // Reloads measuring or sorting now.
    int reloadsInFlight() const { return reloadsInFlight_; }
    int selectedRow() const;

    // Lists.
    QWidget* cellViewForIndex(CellViewDelegate* delegate, const QModelIndex& index) override;
    int heightOfRow(const QModelIndex& index) const override;
    RYTableRowView* rowViewForRow(RYTableRowViewHost* host, int row) override;
    void tableRowViewSelectedDidChange(KPLLeftDataTableRowView* rowView) override;
    void tableRowViewEntered(KPLLeftDataTableRowView* rowView, QMouseEvent* event) override;
    void tableRowViewExited(KPLLeftDataTableRowView* rowView, QMouseEvent* event) override;
    CellViewDelegate* cellDelegate() const { return cells_; }

    static constexpr int rowHeight = 60;
    // Cell margins and spacing, the row look's insets (16) plus a little.
    static constexpr int cellLeftMargin = 26;
    static constexpr int cellRightMargin = 24;
    static constexpr int cellSpacing = 8;

private:
    struct ReloadJob;

    void initConfig();
    void updateBtnTitleColor();
    void updateViewSelected();
    void reloadPass(FunctionType type, const std::vector<LeftLargeDataRowPtr>& tempArray, bool sort,
                    std::function<void()> completed);
    void finishReload(const std::shared_ptr<ReloadJob>& job, const std::function<void()>& completed);
    void tableReload();
    void selectRowQuietly(int row);
    void tableViewSelectionDidChange();
    // Hands the group of a row to the scan screen by the choosing rules.
    void chooseRow(int row);
    void showGroup(const DuplicateFilesPtr& group);
    std::vector<LeftLargeDataRowPtr>& allList(FunctionType type);
    std::vector<LeftLargeDataRowPtr>& selectList(FunctionType type);
    void setSortTitle();

    std::unique_ptr<Ui::LeftLargeFileViewController> ui_;
    RowCountModel* model_ = nullptr;
    CellViewDelegate* cells_ = nullptr;
    RYTableRowViewHost* host_ = nullptr;
    LeftDataViewDelegate* delegate_ = nullptr;

    bool isSelectedView_ = false;
    bool isNotData_ = false;
    std::vector<LeftLargeDataRowPtr> typeArray_;
    std::vector<LeftLargeDataRowPtr> timeTypeArray_;
    std::vector<LeftLargeDataRowPtr> dataTypeArray_;
    std::vector<LeftLargeDataRowPtr> selectTypeArray_;
    std::vector<LeftLargeDataRowPtr> selectTimeTypeArray_;
    std::vector<LeftLargeDataRowPtr> selectDataTypeArray_;
    bool defaultNotDataTableView_ = false;
    bool defaultSelect_ = true;
    std::function<void()> completionHandler_;
    FunctionType functionType_ = FunctionType::size;
    int currentRow_ = 0;
    double filesCountStringWidth_ = 50.0;
    bool isEnabledSelect_ = true;

    int shownRows_ = 0;
    int reloadsInFlight_ = 0;
    bool selectingQuietly_ = false;
    // The hovered row, for the cell's "left_on_" icon.
    int hoveredRow_ = -1;
};
