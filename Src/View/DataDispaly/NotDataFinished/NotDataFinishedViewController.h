#pragma once

#include <functional>
#include <memory>

#include "View/Extension/KPLExtensionView.h"

class KPLBox;
class QLabel;
class RYTButton;

namespace Ui {
class NotDataFinishedViewController;
}

// What a scan screen shows when its scan found nothing: a congratulation,
// what was not found (duplicates, or files over 10 MB in large-file mode)
// and one button whose press runs finishBlock, set by the scan screen.
class NotDataFinishedViewController : public ViewController {
    Q_OBJECT
public:
    explicit NotDataFinishedViewController(QWidget* parent = nullptr);
    ~NotDataFinishedViewController() override;

    std::function<void()> finishBlock() const { return finishBlock_; }
    void setFinishBlock(std::function<void()> block) { finishBlock_ = std::move(block); }

    // The button's action.
    void finishedAction();

    // Outlets.
    KPLBox* contentBox() const;
    KPLBox* detailBox() const;
    QLabel* wellDoneLabel() const;
    QLabel* noDuplicateFilesLabel() const;
    QLabel* detailFilesTitleLabel() const;
    QLabel* detailFilesCountLabel() const;
    QLabel* detailEstimatedTimeTitleLabel() const;
    QLabel* detailEstimatedTimeLabel() const;
    QWidget* detailVerticalView() const;
    RYTButton* finishedBtn() const;

private:
    void initConfig();
    void initDetailConfig();

    std::unique_ptr<Ui::NotDataFinishedViewController> ui_;
    std::function<void()> finishBlock_ = [] {};
};
