#pragma once

#include <memory>

#include <QWidget>

class QLabel;
class RYTCheckBox;

namespace Ui {
class RightDataPreviewMainTableCellView;
class RemoveRightDataPreviewMainTableCellView;
}

// The row of one duplicate group in the preview panel's group table: group
// box, the first file's icon and name, the file count, the group's size and
// the selected count; the removal variant also shows an error icon when a
// file of the group could not be removed.
class RightDataPreviewMainTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit RightDataPreviewMainTableCellView(bool remove = false, QWidget* parent = nullptr);
    ~RightDataPreviewMainTableCellView() override;

    bool isRemoveVariant() const { return remove_; }

    QLabel* errorImageView() const { return errorImageView_; }
    RYTCheckBox* checkBox() const { return checkBox_; }
    QLabel* iconImageView() const { return iconImageView_; }
    QLabel* fileNameLabel() const { return fileNameLabel_; }
    QLabel* filesCountLabel() const { return filesCountLabel_; }
    QLabel* sizeLabel() const { return sizeLabel_; }
    QLabel* selectCountLabel() const { return selectCountLabel_; }

    void initConfig();

private:
    bool remove_ = false;
    std::unique_ptr<Ui::RightDataPreviewMainTableCellView> ui_;
    std::unique_ptr<Ui::RemoveRightDataPreviewMainTableCellView> removeUi_;
    QLabel* errorImageView_ = nullptr;
    RYTCheckBox* checkBox_ = nullptr;
    QLabel* iconImageView_ = nullptr;
    QLabel* fileNameLabel_ = nullptr;
    QLabel* filesCountLabel_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QLabel* selectCountLabel_ = nullptr;
};
