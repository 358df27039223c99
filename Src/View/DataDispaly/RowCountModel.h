#pragma once

#include <functional>

#include <QAbstractTableModel>

// The item model of a one-column list whose rows live in the owner's array:
// it only counts them, the owner's cells paint them. The owner tells it when
// the array changes.
class RowCountModel : public QAbstractTableModel {
    Q_OBJECT
public:
    RowCountModel(std::function<int()> count, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The whole array changed; `apply` (if any) changes it while the views
    // wait.
    void reload(const std::function<void()>& apply = nullptr);
    // Rows first … first + count - 1 are being added; `apply` adds them to
    // the array.
    void insertRows(int first, int count, const std::function<void()>& apply);
    // A row's values changed.
    void rowChanged(int row);

private:
    std::function<int()> count_;
};
