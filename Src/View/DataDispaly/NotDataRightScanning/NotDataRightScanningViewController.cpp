#include "NotDataRightScanningViewController.h"

#include "ui_NotDataRightScanningViewController.h"

#include "Foundation/Bundle.h"
#include "Lottie/AnimationView.h"
#include "Lottie/LRUAnimationCache.h"

#include <QShowEvent>

NotDataRightScanningViewController::NotDataRightScanningViewController(QWidget* parent)
    : ViewController(parent), ui_(std::make_unique<Ui::NotDataRightScanningViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("NotDataRightScanningViewController"));
    initAnimationView();
}

NotDataRightScanningViewController::~NotDataRightScanningViewController() = default;

Lottie::AnimationView* NotDataRightScanningViewController::animationView() const
{
    return ui_->animationView;
}

void NotDataRightScanningViewController::initAnimationView()
{
    const QString path =
        Bundle::main().pathForResource(QStringLiteral("LottieAnimation/Scanning/data"), QStringLiteral("json"));
    ui_->animationView->setAnimation(Lottie::Animation::filepath(path, &Lottie::LRUAnimationCache::sharedCache()));
    ui_->animationView->setLoopMode(Lottie::LottieLoopMode::autoReverse);
}

void NotDataRightScanningViewController::showEvent(QShowEvent* event)
{
    ViewController::showEvent(event);
    // Only a showing of the panel itself, not of the window it lies in.
    if (!event->spontaneous()) {
        viewDidAppear();
    }
}

void NotDataRightScanningViewController::viewDidAppear()
{
    ++playCount_;
    ui_->animationView->play();
}
