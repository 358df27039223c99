#pragma once

#include <memory>

#include "View/Extension/KPLExtensionView.h"

namespace Lottie {
class AnimationView;
}

namespace Ui {
class NotDataRightScanningViewController;
}

// The right side of a scan screen while a scan runs and nothing can be
// listed yet: the "Scanning" animation, played forward and back, started
// again each time the panel is shown.
class NotDataRightScanningViewController : public ViewController {
    Q_OBJECT
public:
    explicit NotDataRightScanningViewController(QWidget* parent = nullptr);
    ~NotDataRightScanningViewController() override;

    Lottie::AnimationView* animationView() const;
    // How often the panel started its animation.
    int playCount() const { return playCount_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void initAnimationView();
    void viewDidAppear();

    std::unique_ptr<Ui::NotDataRightScanningViewController> ui_;
    int playCount_ = 0;
};
