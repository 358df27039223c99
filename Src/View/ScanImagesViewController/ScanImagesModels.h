#pragma once

#include <QAbstractItemModel>
#include <QAbstractListModel>

#include "Model/ScanImagesGroupItem.h"

// What the image delegates read from any of the models below.
class ImageItemSource {
public:
    virtual ~ImageItemSource() = default;
    // The image of an item index; null for a section or a group row.
    virtual ScanImagesItemPtr imageForIndex(const QModelIndex& index) const = 0;
    static ScanImagesItemPtr imageOf(const QModelIndex& index);
};

// One row per group: the group list of the result view.
class ScanImagesGroupListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    ScanImagesGroupList groups() const { return groups_; }
    void setGroups(const ScanImagesGroupList& groups);
    ScanImagesGroupItemPtr groupAt(int row) const;
    // Every row shows its group anew.
    void refresh();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    ScanImagesGroupList groups_;
};

// One row per image of one group: the grid and the list of the result view.
class ScanImagesGroupImagesModel : public QAbstractListModel, public ImageItemSource {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    ScanImagesGroupItemPtr group() const { return group_; }
    void setGroup(const ScanImagesGroupItemPtr& group);
    void refresh();

    ScanImagesItemPtr imageForIndex(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    ScanImagesGroupItemPtr group_;
};

// Groups as sections and their images as items: the live grid of the
// scanning view.
class ScanImagesSectionModel : public QAbstractItemModel, public ImageItemSource {
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;

    ScanImagesGroupList groups() const { return groups_; }
    void setGroups(const ScanImagesGroupList& groups);

    ScanImagesItemPtr imageForIndex(const QModelIndex& index) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    ScanImagesGroupList groups_;
};
