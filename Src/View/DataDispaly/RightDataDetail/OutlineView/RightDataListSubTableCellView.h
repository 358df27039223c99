#pragma once

#include <memory>

#include <QWidget>

#include "Model/DuplicateFiles.h"

class QLabel;
class RYTButton;
class RYTCheckBox;

namespace Ui {
class RightDataListSubTableCellView;
class RemoveRightDataListSubTableCellView;
}

// What a file row tells the list panel.
class RightDataListSubTableCellViewDelegate {
public:
    virtual ~RightDataListSubTableCellViewDelegate() = default;
    // The file box changed the file's selection and the group's state.
    virtual void rightDataListSubTableCellViewCheckBoxClick(const DuplicateFilesPtr& item, const FileInfoPtr& subItem) = 0;
    // Open the file.
    virtual void rightDataListSubTableCellViewOpenFileClick(const DuplicateFilesPtr& item, const FileInfoPtr& subItem) = 0;
};

// The row of one file in the list: file box, icon, full path, size, the
// removal error (in the variant shown after a removal with failures) and the
// open button.
class RightDataListSubTableCellView : public QWidget {
    Q_OBJECT
public:
    // `remove` builds the variant with the error icon.
    explicit RightDataListSubTableCellView(bool remove = false, QWidget* parent = nullptr);
    ~RightDataListSubTableCellView() override;

    bool isRemoveVariant() const { return remove_; }

    RightDataListSubTableCellViewDelegate* delegate() const { return delegate_; }
    void setDelegate(RightDataListSubTableCellViewDelegate* delegate) { delegate_ = delegate; }

    QLabel* errorImageView() const { return errorImageView_; }
    RYTCheckBox* checkBox() const { return checkBox_; }
    QLabel* iconImageView() const { return iconImageView_; }
    QLabel* fileNameLabel() const { return fileNameLabel_; }
    QLabel* sizeLabel() const { return sizeLabel_; }
    RYTButton* openFileButton() const { return openFileButton_; }

    FileInfoPtr model() const { return model_; }
    void setModel(const FileInfoPtr& model) { model_ = model; }
    DuplicateFilesPtr files() const { return files_; }
    void setFiles(const DuplicateFilesPtr& files) { files_ = files; }

    void initConfig();

public slots:
    void checkBoxAction();
    void openFileAction();

signals:
    // The tick of the group's last file did not stand ("Cancel", or nobody
    // to ask): the file is unselected again and its row must show it.
    void selectionUndone(const DuplicateFilesPtr& item, const FileInfoPtr& subItem);

private:
    bool remove_ = false;
    std::unique_ptr<Ui::RightDataListSubTableCellView> ui_;
    std::unique_ptr<Ui::RemoveRightDataListSubTableCellView> removeUi_;
    RightDataListSubTableCellViewDelegate* delegate_ = nullptr;
    QLabel* errorImageView_ = nullptr;
    RYTCheckBox* checkBox_ = nullptr;
    QLabel* iconImageView_ = nullptr;
    QLabel* fileNameLabel_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    RYTButton* openFileButton_ = nullptr;
    FileInfoPtr model_;
    DuplicateFilesPtr files_;
};
