#pragma once

#include <memory>

#include "QVLibrary/RYListViewCell.h"

class QLabel;

namespace Ui {
class ListViewCell;
}

// A row of a white list: one path, cut in the middle when it is too long.
class ListViewCell : public RYListViewCell {
    Q_OBJECT
public:
    explicit ListViewCell(QWidget* parent = nullptr);
    ~ListViewCell() override;

    QLabel* whiteListPath() const;
    // The whole path; the label shows it shortened to fit.
    QString path() const { return path_; }
    void setPath(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    std::unique_ptr<Ui::ListViewCell> ui_;
    QString path_;
};
