#pragma once

#include <functional>
#include <memory>

#include "View/Extension/KPLExtensionView.h"

class KPLBox;
class QLabel;
class RYTButton;
struct LeftOutFolder;
template <typename T>
class QList;

namespace Ui {
class NotDataFinishedViewController;
}

// What a scan screen shows when its scan found nothing: a congratulation,
// what was not found (duplicates, or files over 10 MB in large-file mode)
// and one button whose press runs finishBlock, set by the scan screen.
// When the scan left chosen folders out, it names them and why; when it
// left every one out, it found nothing because it looked nowhere, and it
// says that instead of congratulating.
class NotDataFinishedViewController : public ViewController {
    Q_OBJECT
public:
    explicit NotDataFinishedViewController(QWidget* parent = nullptr);
    ~NotDataFinishedViewController() override;

    std::function<void()> finishBlock() const { return finishBlock_; }
    void setFinishBlock(std::function<void()> block) { finishBlock_ = std::move(block); }

    // The button's action.
    void finishedAction();

    // The chosen folders the scan left out; `scannedNothing`: it walked none.
    void setLeftOutFolders(const QList<LeftOutFolder>& leftOut, bool scannedNothing);
    bool showsNothingScanned() const { return nothingScanned_; }

    // One line per folder left out and why, at most `maxLines` of them and
    // then how many more; paths too long for a line are cut in the middle.
    static QString leftOutLines(const QList<LeftOutFolder>& leftOut, int maxLines);
    // Shows those lines in `label` (under "Not scanned:" when `heading`),
    // all of them in its tool tip when they are cut; hides it when none.
    static void showLeftOutLines(QLabel* label, const QList<LeftOutFolder>& leftOut, bool heading);

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
    QLabel* congratsIcon() const;
    QLabel* leftOutLabel() const;

private:
    void initConfig();
    void initDetailConfig();
    void showHeadline();

    std::unique_ptr<Ui::NotDataFinishedViewController> ui_;
    std::function<void()> finishBlock_ = [] {};
    bool nothingScanned_ = false;
};
