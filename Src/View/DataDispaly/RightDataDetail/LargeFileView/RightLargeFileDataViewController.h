#pragma once

#include <memory>

#include <QList>
#include <QPointer>

#include "Model/DuplicateFiles.h"
#include "RightLargeFileViewDelegate.h"
#include "View/Extension/KPLExtensionView.h"

class QTableView;
class RightDataPreviewViewDelegate;
class LargeFileTableModel;

namespace Ui {
class RightLargeFileDataViewController;
}

// The large-file table: the files of the group chosen on the left, each
// with its tick, name and size, largest first unless the scan screen's sort
// buttons ask for another order. Ticks are the files' own selection, so
// every group and panel sees them; each click is reported to the scan
// screen, which recounts the selection.
class RightLargeFileDataViewController : public ViewController {
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

    // The group shown (null for none).
    DuplicateFilesPtr files() const { return files_; }
    QTableView* mainTableView() const;
    // Draws the ticks again after they changed elsewhere.
    void reloadData();

    // Shows a group in the given order; none asks the screen for its empty
    // state.
    void setData(const DuplicateFilesPtr& send, SortType sortType);
    // By name or by size, upwards or downwards; with isSort false back to
    // the default order, largest first.
    void sortFilesOfName(bool isSort, bool isUpSort);
    void sortFilesOfSize(bool isSort, bool isUpSort);
    // The order last asked for.
    SortType sortType() const { return sortType_; }

    // The files in the order shown (the last sort that has come back).
    const QList<FileInfoPtr>& shownFiles() const;
    // Sorts still running off the main thread.
    int sortsInFlight() const { return sortsInFlight_; }

    // The tick of a row, as a click on its box.
    void checkBoxClick(int row);
    // The check-all state of the group shown.
    SelectType selectType() const;

    // The files of `files` in an order (used off the main thread).
    static QList<FileInfoPtr> sorted(QList<FileInfoPtr> files, SortType type);

private:
    void applySort(SortType type);
    void reportSelection();

    std::unique_ptr<Ui::RightLargeFileDataViewController> ui_;
    LargeFileTableModel* model_ = nullptr;
    RightDataPreviewViewDelegate* delegate_ = nullptr;
    RightLargeFileViewDelegate* checkBoxDelegate_ = nullptr;
    bool checkIsEnabled_ = true;
    DuplicateFilesPtr files_;
    SortType sortType_ = SortType::defaultSort;
    quint64 generation_ = 0;
    int sortsInFlight_ = 0;
};
