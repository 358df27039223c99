#pragma once

#include <memory>

#include <QWidget>

class QLabel;
class RYTButton;
class RYTCheckBox;

namespace Ui {
class RightDataPreviewSubTableCellView;
class RemoveRightDataPreviewSubTableCellView;
}

// The row of one file in the preview panel's file table: file box, icon,
// full path, size and the open button; the removal variant also shows the
// file's removal error.
class RightDataPreviewSubTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit RightDataPreviewSubTableCellView(bool remove = false, QWidget* parent = nullptr);
    ~RightDataPreviewSubTableCellView() override;

    bool isRemoveVariant() const { return remove_; }

    QLabel* errorImageView() const { return errorImageView_; }
    RYTCheckBox* checkBox() const { return checkBox_; }
    QLabel* iconImageView() const { return iconImageView_; }
    QLabel* fileNameLabel() const { return fileNameLabel_; }
    QLabel* sizeLabel() const { return sizeLabel_; }
    RYTButton* openFileButton() const { return openFileButton_; }

    void initConfig();

private:
    bool remove_ = false;
    std::unique_ptr<Ui::RightDataPreviewSubTableCellView> ui_;
    std::unique_ptr<Ui::RemoveRightDataPreviewSubTableCellView> removeUi_;
    QLabel* errorImageView_ = nullptr;
    RYTCheckBox* checkBox_ = nullptr;
    QLabel* iconImageView_ = nullptr;
    QLabel* fileNameLabel_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    RYTButton* openFileButton_ = nullptr;
};
