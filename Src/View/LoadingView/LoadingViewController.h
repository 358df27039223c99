#pragma once

#include <memory>

#include <QImage>
#include <QPointer>

#include "View/Extension/KPLExtensionView.h"

class QLabel;
class LoadingMouseView;

namespace Lottie {
class AnimationView;
}

namespace Ui {
class LoadingViewController;
}

// The waiting overlay: laid over a given view, pinned to its edges as it
// resizes, it shows a frosted picture of that view (saturated and blurred,
// taken when shown and on every resize), the looping "Loading" animation
// and "Loading...". While it shows, clicks, scrolling and keys reach nothing
// beneath it.
//
// The screen that makes the overlay owns it. While shown it is also a child
// of the covered view and goes with that view, so keep it in a QPointer.
class LoadingViewController : public ViewController {
    Q_OBJECT
public:
    explicit LoadingViewController(QWidget* parent = nullptr);
    ~LoadingViewController() override;

    // Whether the overlay is up (or was asked for): follows the last call.
    bool isLoading() const { return isLoading_; }
    void setIsLoading(bool loading) { isLoading_ = loading; }

    // Shows the overlay over `view`, or takes it off `view`. Without a view
    // nothing is shown or taken off.
    void loadingStart(bool start, QWidget* view);

    Lottie::AnimationView* animationView() const;
    QLabel* loadingLabel() const;
    LoadingMouseView* mouseView() const;
    // The frosted picture painted now (null before the first showing).
    QImage background() const { return background_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void viewDidLoad();
    void refreshBackground();
    void scheduleRefresh();
    void detach();
    void applyLabelColor();

    std::unique_ptr<Ui::LoadingViewController> ui_;
    bool isLoading_ = false;
    bool refreshPending_ = false;
    QPointer<QWidget> covered_;
    QPointer<QWidget> previousFocus_;
    QImage background_;
};
