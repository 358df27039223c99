#pragma once

#include <vector>

#include <QAbstractTableModel>
#include <QHash>

#include "Manager/ScanManager.h"
#include "View/DataDispaly/GroupArrayChange.h"

// The rows the list panel's outline shows: every group, and under each open
// group its files, in the order given. The tree lives here; the outline sees
// a flat list of the rows that show, so opening or closing a group inserts
// or removes only that group's file rows and a list of any length is never
// laid out again as a whole. Which row holds what is found through a sum
// tree of the groups' row counts, in logarithmic time.
class RightDataListOutlineModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RightDataListOutlineModel(QObject* parent = nullptr);

    const DuplicateFilesList& groups() const { return groups_.list(); }
    // Shows `groups`. When they only add to the groups shown, just the new
    // rows are inserted (and true is returned); otherwise the model resets.
    // Groups still shown stay open either way.
    bool setGroups(const DuplicateFilesList& groups);

    // The item of a row: a group row has a group and no file; a file row
    // both.
    DuplicateFilesPtr groupAt(const QModelIndex& index) const;
    FileInfoPtr fileAt(const QModelIndex& index) const;
    // The group of a row of either kind.
    DuplicateFilesPtr parentGroup(const QModelIndex& index) const;
    QModelIndex indexOfGroup(const DuplicateFiles* group) const;
    QModelIndex indexOfFile(const DuplicateFiles* group, const FileInfo* file) const;
    // The row of `file` (or an equal file) under any open group, the first
    // when it shows twice; invalid when no open group holds it.
    QModelIndex indexOfShownFile(const FileInfo& file) const;
    // The `file`th file row of an open group.
    QModelIndex fileIndex(const DuplicateFiles* group, int file) const;
    // The place of a group in the list given (not its row).
    int positionOfGroup(const DuplicateFiles* group) const { return groups_.rowOf(group); }

    bool isExpanded(const DuplicateFiles* group) const { return expanded_.contains(group); }
    // Opens or closes one group; false when it was so already.
    bool expand(const DuplicateFiles* group);
    bool collapse(const DuplicateFiles* group);
    // Opens or closes every group at once.
    void expandAll();
    void collapseAll();
    int expandedCount() const { return int(expanded_.size()); }

    // A group's row (and its files' rows) show new values.
    void groupChanged(const DuplicateFiles* group, bool withFiles);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Place {
        int group = -1;  // position in the list
        int file = -1;   // -1 for the group's own row
    };

    // Rows taken by the group at `position`: itself and, when open, its files.
    int rowsOf(int position) const;
    void rebuildSums();
    void addToSum(int position, int delta);
    // Rows before the group at `position`.
    int rowsBefore(int position) const;
    Place placeOfRow(int row) const;
    int firstRowOf(int position) const { return rowsBefore(position); }

    struct Open {
        DuplicateFilesPtr group;  // held, so its address is not reused
        int files = 0;            // file rows shown under it
    };

    GroupRows groups_;
    QHash<const DuplicateFiles*, Open> expanded_;
    // A Fenwick tree over the groups' row counts (1-based).
    std::vector<int> sums_;
    int totalRows_ = 0;
};
