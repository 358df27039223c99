#pragma once

#include <functional>
#include <memory>

#include "Manager/ScanManager.h"
#include "View/Extension/KPLExtensionView.h"

class LeftDataViewDelegate;
class QLabel;
class QStandardItemModel;
class QTableView;

namespace Ui {
class LeftLargeFileViewController;
}

// The left panel of the large-file results: the engine's groups by size
// band (all files, over 5 GB, 1 to 5 GB, 500 MB to 1 GB, 10 MB to 500 MB),
// each with its size and number of files. Choosing a row hands its group to
// the scan screen for the right table.
class LeftLargeFileViewController : public ViewController {
    Q_OBJECT
public:
    explicit LeftLargeFileViewController(QWidget* parent = nullptr);
    ~LeftLargeFileViewController() override;

    // Non-owning; the scan screen clears it before it goes away.
    LeftDataViewDelegate* delegate() const { return delegate_; }
    void setDelegate(LeftDataViewDelegate* delegate) { delegate_ = delegate; }

    // Kept for the scan screen, which disables the table while rows load.
    bool isEnabledSelect() const { return isEnabledSelect_; }
    void setIsEnabledSelect(bool enabled) { isEnabledSelect_ = enabled; }

    QTableView* tableView() const;
    QLabel* titleLabel() const;

    // Empties the list.
    void clearDataArray();
    // Builds the rows from the engine's groups; `completed` runs on the main
    // queue once they show.
    void setDataArray(std::function<void()> completed);

    // The group of a row (null outside the rows).
    DuplicateFilesPtr groupAt(int row) const;
    int rowCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void selectionChanged();

    std::unique_ptr<Ui::LeftLargeFileViewController> ui_;
    QStandardItemModel* model_ = nullptr;
    DuplicateFilesList groups_;
    LeftDataViewDelegate* delegate_ = nullptr;
    bool isEnabledSelect_ = true;
};
