#pragma once

#include <memory>

#include "View/Extension/KPLExtensionView.h"

class QLabel;
struct LeftOutFolder;
namespace Ui {
class FinishNotDupImagesViewController;
}

// What the similar-image screen shows when a search found no group: a
// heading, a tip line and the chosen folders that were not searched.
class FinishNotDupImagesViewController : public ViewController {
    Q_OBJECT
public:
    explicit FinishNotDupImagesViewController(QWidget* parent = nullptr);
    ~FinishNotDupImagesViewController() override;

    QLabel* wellDoneLabel() const;
    QLabel* tipsLabel() const;
    QLabel* leftOutLabel() const;
    // Names the chosen folders the search left out, each with its reason;
    // none hides the lines.
    void setLeftOutFolders(const QList<LeftOutFolder>& leftOut);

private:
    std::unique_ptr<Ui::FinishNotDupImagesViewController> ui_;
};
