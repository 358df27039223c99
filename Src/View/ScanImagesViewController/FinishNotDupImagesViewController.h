#pragma once

#include <memory>

#include "View/Extension/KPLExtensionView.h"

class QLabel;
namespace Ui {
class FinishNotDupImagesViewController;
}

// What the similar-image screen shows when a search found no group: a
// heading and a tip line.
class FinishNotDupImagesViewController : public ViewController {
    Q_OBJECT
public:
    explicit FinishNotDupImagesViewController(QWidget* parent = nullptr);
    ~FinishNotDupImagesViewController() override;

    QLabel* wellDoneLabel() const;
    QLabel* tipsLabel() const;

private:
    std::unique_ptr<Ui::FinishNotDupImagesViewController> ui_;
};
