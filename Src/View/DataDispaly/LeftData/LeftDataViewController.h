#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QHash>

#include "LeftDataType.h"
#include "LeftDataViewDelegate.h"
#include "Manager/ScanManager.h"
#include "MouseUpTextField.h"
#include <QAbstractItemView>

#include "QVLibrary/RYTableRowViewHost.h"
#include "View/CustomView/KPLLeftDataTableRowView.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/Extension/KPLExtensionView.h"

class DispatchQueue;
class QAbstractScrollArea;
class QFrame;
class QItemSelectionModel;
class RYTButton;
class RYTableView;
class RowCountModel;

namespace Ui {
class LeftDataViewController;
}

// The left result panel: one row per category (all files, video, audio,
// images, documents, others) with its icon, name, size, a share bar of the
// "All files" size and the file count as a tool tip; the "All" and
// "Selected" buttons switch between every group and the groups that hold a
// file chosen for removal. Choosing a row hands that category's groups to
// the scan screen.
class LeftDataViewController : public ViewController,
                               public CellViewProvider,
                               public RYTableRowViewDelegate,
                               public LeftDataTableRowViewDelegate,
                               public MouseUpTextFieldDelegate {
    Q_OBJECT
public:
    // One row: a category and, in the "Selected" view, the groups it showed
    // when it was built.
    class LeftDataListStyle {
    public:
        explicit LeftDataListStyle(LeftDataType type);

        const QHash<LeftDataType, QString>& iconNameDic() const { return iconNameDic_; }
        const QHash<LeftDataType, QString>& titleDic() const { return titleDic_; }
        const QHash<LeftDataType, QString>& progressColorNameDic() const { return progressColorNameDic_; }
        const QHash<LeftDataType, QString>& gALogTypeNameDic() const { return gALogTypeNameDic_; }
        // For rows of categories without an entry (tests build such rows).
        void setDictionaries(QHash<LeftDataType, QString> icons, QHash<LeftDataType, QString> titles,
                             QHash<LeftDataType, QString> colors, QHash<LeftDataType, QString> names);

        bool filterSelectedData() const { return filterSelectedData_; }
        void setFilterSelectedData(bool selected) { filterSelectedData_ = selected; }
        LeftDataType dataType() const { return dataType_; }
        const std::optional<DuplicateFilesList>& selectedArray() const { return selectedArray_; }
        void setSelectedArray(std::optional<DuplicateFilesList> groups) { selectedArray_ = std::move(groups); }

        QString iconName() const;
        QString titleName() const;
        QString progressColorName() const;
        QString gALogTypeName() const;

        // The row's groups: the fixed "Selected" list, else the engine's
        // groups of the category, largest first.
        DuplicateFilesList filesArray() const;
        // Files (not groups): the engine's count; in the "Selected" view,
        // every file of the listed groups.
        int filesCount() const;
        // Bytes: the engine's size; in the "Selected" view, the selected
        // files of the listed groups.
        uint64_t filesSize() const;

        // The size and count as the last reload measured them, shown until
        // the next one.
        std::optional<uint64_t> measuredFilesSize() const { return measuredSize_; }
        std::optional<int> measuredFilesCount() const { return measuredCount_; }
        void setMeasured(uint64_t size, int count)
        {
            measuredSize_ = size;
            measuredCount_ = count;
        }

        // The engine's groups of a category, stable-sorted by size, largest
        // first; sorted once per change of the engine's result. Safe from
        // any thread.
        static DuplicateFilesList engineGroups(LeftDataType type);
        static void forgetSortedGroups();

    private:
        QHash<LeftDataType, QString> iconNameDic_;
        QHash<LeftDataType, QString> titleDic_;
        QHash<LeftDataType, QString> progressColorNameDic_;
        QHash<LeftDataType, QString> gALogTypeNameDic_;
        bool filterSelectedData_ = false;
        LeftDataType dataType_;
        std::optional<DuplicateFilesList> selectedArray_;
        std::optional<uint64_t> measuredSize_;
        std::optional<int> measuredCount_;
    };
    using LeftDataListStylePtr = std::shared_ptr<LeftDataListStyle>;

    explicit LeftDataViewController(QWidget* parent = nullptr);
    ~LeftDataViewController() override;

    // Non-owning; the scan screen clears it before it goes away.
    LeftDataViewDelegate* delegate() const { return delegate_; }
    void setDelegate(LeftDataViewDelegate* delegate) { delegate_ = delegate; }

    bool fileTypeClick() const { return fileTypeClick_; }
    void setFileTypeClick(bool click) { fileTypeClick_ = click; }
    bool isEnabledSelect() const { return isEnabledSelect_; }
    void setIsEnabledSelect(bool enabled);
    bool isClearRightViewSelect() const { return isClearRightViewSelect_; }
    void setIsClearRightViewSelect(bool clear) { isClearRightViewSelect_ = clear; }
    bool defaultSelect() const { return defaultSelect_; }
    bool viewSelected() const { return viewSelected_; }
    double filesCountStringWidth() const { return filesCountStringWidth_; }
    uint64_t totalFilesSize() const { return totalFilesSize_; }
    bool defaultNotDataTableView() const { return defaultNotDataTableView_; }
    const std::vector<LeftDataListStylePtr>& allDataArray() const { return allDataArray_; }
    const std::vector<LeftDataListStylePtr>& selectDataArray() const { return selectDataArray_; }
    // The rows of the view shown.
    const std::vector<LeftDataListStylePtr>& dataArray() const;

    // Outlets.
    RYTButton* leftBtn() const;
    RYTButton* rightBtn() const;
    MouseUpTextField* leftBtnLabel() const;
    MouseUpTextField* rightBtnLabel() const;
    QFrame* tableViewBox() const;
    QAbstractScrollArea* scrollView() const;
    RYTableView* tableView() const;

    // Empties both views; the table reloads on the main queue.
    void clearDataArray();
    // Builds the rows of the view shown from the engine's result, then
    // reloads with sorting.
    void setDataArray(std::function<void()> completed);
    // Measures the sizes, sorts the rows by size when `sort` (off the main
    // thread, on a copy), then reloads the table and selects a row;
    // `completed` runs on the main queue after that selection.
    void reloadData(bool sort, std::function<void()> completed);

    // The filter buttons.
    void allAction();
    void selectAction();
    void mouseUp(MouseUpTextField* textField) override;

    // Row views report.
    void tableRowViewSelectedDidChange(KPLLeftDataTableRowView* rowView) override;
    void tableRowViewEntered(KPLLeftDataTableRowView* rowView, QMouseEvent* event) override;
    void tableRowViewExited(KPLLeftDataTableRowView* rowView, QMouseEvent* event) override;

    void windowDidEnterFullScreen() override {}
    void windowDidExitFullScreen() override {}

    // Lists.
    QWidget* cellViewForIndex(CellViewDelegate* delegate, const QModelIndex& index) override;
    int heightOfRow(const QModelIndex& index) const override;
    RYTableRowView* rowViewForRow(RYTableRowViewHost* host, int row) override;

    // What a user's proposed row selection is reduced to (it may send the
    // "FileType" event); the table's selection model asks this.
    QList<int> selectionIndexesForProposedSelection(const QList<int>& proposed);
    int selectedRow() const;
    // How many reloads are measuring and sorting now.
    int reloadsInFlight() const { return reloadsInFlight_; }
    CellViewDelegate* cellDelegate() const { return cells_; }
    RowCountModel* tableModel() const { return model_; }

    static constexpr int rowHeight = 60;

private:
    class SelectionModel;
    struct ReloadJob;

    void initConfig();
    void updateViewSelected();
    void updateBtnTitleColor();
    void switchFilter(bool selected);
    std::vector<LeftDataListStylePtr>& mutableDataArray();
    void tableReload();
    void selectRowProgrammatically(int row);
    void tableViewSelectionDidChange();
    void finishReload(const std::shared_ptr<ReloadJob>& job, const std::function<void()>& completed);
    struct RowLook {
        bool cellSelected = false;
        bool highlight = false;
    };

    std::unique_ptr<Ui::LeftDataViewController> ui_;
    // Where the measuring and sorting run, off the main thread.
    std::unique_ptr<DispatchQueue> reloadQueue_;
    RowCountModel* model_ = nullptr;
    SelectionModel* selection_ = nullptr;
    CellViewDelegate* cells_ = nullptr;
    RYTableRowViewHost* host_ = nullptr;
    LeftDataViewDelegate* delegate_ = nullptr;
    bool fileTypeClick_ = false;
    bool isEnabledSelect_ = true;
    bool isClearRightViewSelect_ = true;
    bool defaultSelect_ = true;
    bool viewSelected_ = false;
    double filesCountStringWidth_ = 50.0;
    uint64_t totalFilesSize_ = 0;
    bool defaultNotDataTableView_ = false;
    std::vector<LeftDataListStylePtr> allDataArray_;
    std::vector<LeftDataListStylePtr> selectDataArray_;
    // Bumped whenever a view's rows are built or emptied; a reload measured
    // on older rows does not publish its order.
    quint64 allGeneration_ = 0;
    quint64 selectGeneration_ = 0;
    int shownRows_ = 0;
    int reloadsInFlight_ = 0;
    bool selectingProgrammatically_ = false;
    std::vector<RowLook> rowLooks_;
};
