#include "RYTFullSizeWindow.h"

#include "Foundation/Bundle.h"

#include <QAction>
#include <QEvent>

RYTFullSizeWindow::RYTFullSizeWindow(QWidget* parent)
    : QMainWindow(parent)
{
    fullScreenAction_ = new QAction(localized("Enter Full Screen"), this);
    fullScreenAction_->setShortcut(QKeySequence(Qt::Key_F11));
    fullScreenAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(fullScreenAction_);
    connect(fullScreenAction_, &QAction::triggered, this, &RYTFullSizeWindow::toggleFullScreen);
}

void RYTFullSizeWindow::setFullScreenBtnHidded(bool hidden)
{
    fullScreenBtnHidded_ = hidden;
    refreshAction();
}

void RYTFullSizeWindow::setFullScreenButtonEnabled(bool enabled)
{
    fullScreenEnabled_ = enabled;
    refreshAction();
}

bool RYTFullSizeWindow::fullScreenButtonEnabled() const
{
    return fullScreenEnabled_;
}

void RYTFullSizeWindow::setTopOffset(double offset)
{
    topOffset_ = offset < 0.0 ? 0.0 : offset;
    QMargins margins = contentsMargins();
    margins.setTop(qRound(topOffset_));
    setContentsMargins(margins);
}

void RYTFullSizeWindow::refreshAction()
{
    fullScreenAction_->setVisible(!fullScreenBtnHidded_);
    fullScreenAction_->setEnabled(fullScreenEnabled_ && !fullScreenBtnHidded_);
}

void RYTFullSizeWindow::toggleFullScreen()
{
    if (fullScreenBtnHidded_ || !fullScreenEnabled_) {
        return;
    }
    if (isFullScreen()) {
        showNormal();
    } else {
        showFullScreen();
    }
}

void RYTFullSizeWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    const bool full = isFullScreen();
    if (full == wasFullScreen_) {
        return;
    }
    wasFullScreen_ = full;
    fullScreenAction_->setText(full ? localized("Exit Full Screen") : localized("Enter Full Screen"));
    if (full) {
        emit didEnterFullScreen();
    } else {
        emit didExitFullScreen();
    }
}
