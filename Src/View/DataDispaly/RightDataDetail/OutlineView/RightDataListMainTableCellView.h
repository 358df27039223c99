#pragma once

#include <functional>
#include <memory>

#include <QHash>
#include <QPointer>
#include <QWidget>

#include "Model/DuplicateFiles.h"

class QLabel;
class QVariantAnimation;
class RYTCheckBox;
class RightDataListArrowButton;

namespace Ui {
class RightDataListMainTableCellView;
}

// What a group row tells the list panel.
class RightDataListMainTableCellViewDelegate {
public:
    virtual ~RightDataListMainTableCellViewDelegate() = default;
    // The group box changed the group's files (by `changeCount` files and
    // `changeSize` bytes selected).
    virtual void rightDataListMainTableCellViewCheckBoxClick(const DuplicateFilesPtr& item, int changeCount,
                                                            int64_t changeSize) = 0;
    // Expand (`isExpand`) or collapse the group.
    virtual void rightDataListMainTableCellViewArrowClick(const DuplicateFilesPtr& item, bool isExpand) = 0;
};

// The row of one duplicate group in the list: arrow, group box, the first
// file's icon and name, the selected count and the group's size. The list
// fills one such cell for every group row it paints.
class RightDataListMainTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit RightDataListMainTableCellView(QWidget* parent = nullptr);
    ~RightDataListMainTableCellView() override;

    RightDataListMainTableCellViewDelegate* delegate() const { return delegate_; }
    void setDelegate(RightDataListMainTableCellViewDelegate* delegate) { delegate_ = delegate; }

    RightDataListArrowButton* arrowButton() const;
    QLabel* errorImageView() const;
    RYTCheckBox* checkBox() const;
    QLabel* iconImageView() const;
    QLabel* fileNameLabel() const;
    QLabel* sizeLabel() const;
    QLabel* selectCountLabel() const;

    DuplicateFilesPtr model() const { return model_; }
    // Also turns the arrow as far as a running turn of that group has come.
    void setModel(const DuplicateFilesPtr& model);

    // Once, after the cell is made: looks of the box and the labels.
    void initConfig();
    // Sets the arrow's state and image at once.
    void updateArrowButtonImage(bool expand);
    // Turns the arrow of the group shown into its new direction in 0.2 s.
    void animationArrowButton(bool expand);
    // The turn running for a group, if any (under the key "arrowAnimation").
    QVariantAnimation* arrowAnimation(const DuplicateFiles* group) const;
    // Told at every step of a group's turn, so its row is painted again.
    void setArrowAnimationStep(std::function<void(const DuplicateFiles*)> step) { arrowStep_ = std::move(step); }

    static constexpr const char* arrowAnimationKey = "arrowAnimation";

public slots:
    void checkBoxAction();
    void arrowAction();

private:
    std::unique_ptr<Ui::RightDataListMainTableCellView> ui_;
    RightDataListMainTableCellViewDelegate* delegate_ = nullptr;
    DuplicateFilesPtr model_;
    // One turn per group row at most.
    QHash<const DuplicateFiles*, QPointer<QVariantAnimation>> arrowAnimations_;
    std::function<void(const DuplicateFiles*)> arrowStep_;
};
