#pragma once

#include <QAbstractListModel>
#include <QList>

#include "Model/FileInfo.h"

// The rows of the large-file table: a snapshot of a group's list, taken on
// the main thread whenever the table shows a group, a new order or a
// changed selection. Rows are painted by RightLargeFileTableCellView.
class RightLargeFileTableModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit RightLargeFileTableModel(QObject* parent = nullptr);

    const QList<FileInfoPtr>& files() const { return files_; }
    // Replaces the snapshot and resets the views.
    void setFiles(QList<FileInfoPtr> files);
    FileInfoPtr fileAt(int row) const;
    // The row showing this very record, -1 when none does.
    int rowOf(const FileInfoPtr& file) const;
    // Whether the names carry their tool tip.
    void setToolTips(bool toolTips) { toolTips_ = toolTips; }
    // One row's values changed (its tick).
    void rowChanged(int row);
    // Every row's values changed (the ticks after a check-all).
    void allRowsChanged();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<FileInfoPtr> files_;
    bool toolTips_ = true;
};
