#pragma once

#include <functional>

#include <QAbstractItemModel>
#include <QHash>

#include "Manager/ScanManager.h"
#include "View/DataDispaly/GroupArrayChange.h"

// The item model of the list panel's outline: the groups at the top level,
// each group's files under it, in the order given. An index of a file
// carries its group, so it stays right when groups are inserted before it.
class RightDataListOutlineModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit RightDataListOutlineModel(QObject* parent = nullptr);

    const DuplicateFilesList& groups() const { return groups_.list(); }
    // Shows `groups`. When they only add to the groups shown, just the new
    // rows are inserted (and true is returned); otherwise the model resets.
    bool setGroups(const DuplicateFilesList& groups);

    DuplicateFilesPtr groupAt(const QModelIndex& index) const;
    FileInfoPtr fileAt(const QModelIndex& index) const;
    // The group that holds the file at `index`.
    DuplicateFilesPtr parentGroup(const QModelIndex& index) const;
    QModelIndex indexOfGroup(const DuplicateFiles* group) const;
    QModelIndex indexOfFile(const DuplicateFiles* group, const FileInfo* file) const;
    int rowOfGroup(const DuplicateFiles* group) const;

    // A group's row and its files' rows show new values.
    void groupChanged(const DuplicateFiles* group, bool withFiles);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static bool isGroupIndex(const QModelIndex& index) { return index.isValid() && !index.internalPointer(); }

    GroupRows groups_;
};
