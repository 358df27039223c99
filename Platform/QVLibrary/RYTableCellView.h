#pragma once

#include <QWidget>

// Base of the program's table cells: a plain container whose subviews come
// from the cell's own layout. It remembers the row it shows.
class RYTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit RYTableCellView(QWidget* parent = nullptr);

    int row() const { return row_; }
    void setRow(int row) { row_ = row; }

private:
    int row_ = -1;
};
