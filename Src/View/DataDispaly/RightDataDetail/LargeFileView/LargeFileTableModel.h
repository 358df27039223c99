#pragma once

#include <functional>

#include <QAbstractTableModel>
#include <QList>

#include "Model/FileInfo.h"

// The rows of the large-file table: a file each, in the columns tick, name
// and size. A tick set through the model changes the file's selection and
// is reported.
class LargeFileTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { checkColumn = 0, nameColumn = 1, sizeColumn = 2, columnCount_ = 3 };

    explicit LargeFileTableModel(QObject* parent = nullptr);

    const QList<FileInfoPtr>& files() const { return files_; }
    void setFiles(QList<FileInfoPtr> files);
    // Whether the ticks take clicks.
    void setCheckable(bool checkable);
    // Redraws every tick (after a change made elsewhere).
    void refreshChecks();
    // Told after the user changed a row's tick.
    void setOnCheck(std::function<void(int row)> onCheck) { onCheck_ = std::move(onCheck); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<FileInfoPtr> files_;
    bool checkable_ = true;
    std::function<void(int)> onCheck_;
};
