#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The rows of a white list's path list: one per stored entry, shown as the
// name it stands for. Entries are decoded only when a row is asked for, so a
// list of thousands costs no more to show than the rows on screen. The
// chosen row is part of the model, so choosing another repaints two rows.
class WhiteListPathModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        // Whether the row is the chosen one.
        ChosenRole = Qt::UserRole + 1,
    };

    explicit WhiteListPathModel(QObject* parent = nullptr);

    // The stored entries, as the settings hold them (a name that is not
    // UTF-8 as its file URL).
    void setEntries(const QStringList& entries);
    const QStringList& entries() const { return entries_; }
    // -1 (or a row the list does not have) for none.
    void setChosenRow(int row);
    int chosenRow() const { return chosenRow_; }

    // The whole path shown for a row.
    QString displayPath(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void rowChanged(int row);

    QStringList entries_;
    int chosenRow_ = -1;
};
