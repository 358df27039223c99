#pragma once

#include <memory>

#include "QVLibrary/RYListViewCell.h"

class QLabel;

namespace Ui {
class WhiteListTypeListViewCell;
}

// A row of the white-list categories: an icon and the category's caption.
class WhiteListTypeListViewCell : public RYListViewCell {
    Q_OBJECT
public:
    explicit WhiteListTypeListViewCell(QWidget* parent = nullptr);
    ~WhiteListTypeListViewCell() override;

    QLabel* typeImageName() const;
    QLabel* typeNameLabel() const;
    // The icon by image name, kept for the look's tests.
    QString imageName() const { return imageName_; }
    void setImageName(const QString& name);

private:
    std::unique_ptr<Ui::WhiteListTypeListViewCell> ui_;
    QString imageName_;
};
