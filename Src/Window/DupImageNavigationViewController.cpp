#include "DupImageNavigationViewController.h"

#include "ui_DupImageNavigationViewController.h"

#include "DupImageNavigationGuide.h"
#include "DupImageNavigationView.h"

#include "Foundation/NotificationCenter.h"

#include <QKeyEvent>
#include <QMouseEvent>

DupImageNavigationViewController::DupImageNavigationViewController(QWidget* parent)
    : ViewController(parent), ui_(std::make_unique<Ui::DupImageNavigationViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("DupImageNavigationViewController"));
    DupImageNavigationGuide::dressPages(this);
    viewDidLoad();
}

DupImageNavigationViewController::~DupImageNavigationViewController() = default;

DupImageNavigationView* DupImageNavigationViewController::selectView() const { return ui_->selectView; }
QLabel* DupImageNavigationViewController::duplicateBtnTitle() const { return ui_->duplicateBtnTitle; }
QLabel* DupImageNavigationViewController::dupImagesBtnTitle() const { return ui_->dupImagesBtnTitle; }
QLabel* DupImageNavigationViewController::largeBtnTitle() const { return ui_->largeBtnTitle; }
QLabel* DupImageNavigationViewController::duplicateFileTipLabel() const { return ui_->duplicateFileTipLabel; }
RYTView* DupImageNavigationViewController::dupTextView() const { return ui_->dupTextView; }
QLabel* DupImageNavigationViewController::dupImagesTipLabel() const { return ui_->dupImagesTipLabel; }
RYTView* DupImageNavigationViewController::dupImageTextView() const { return ui_->dupImageTextView; }
QLabel* DupImageNavigationViewController::largeFileTipLable() const { return ui_->largeFileTipLable; }
RYTView* DupImageNavigationViewController::largeTextView() const { return ui_->largeTextView; }
DupImageNavigationView* DupImageNavigationViewController::scanDupView() const { return ui_->scanDupView; }
DupImageNavigationView* DupImageNavigationViewController::scanImageView() const { return ui_->scanImageView; }
DupImageNavigationView* DupImageNavigationViewController::scanImageOutsideView() const
{
    return ui_->scanImageOutsideView;
}
DupImageNavigationView* DupImageNavigationViewController::scanLargeView() const { return ui_->scanLargeView; }
DupImageNavigationView* DupImageNavigationViewController::scanLargeOutsideView() const
{
    return ui_->scanLargeOutsideView;
}

void DupImageNavigationViewController::updateView(RYTView* view, QLabel* textField)
{
    DupImageNavigationGuide::updateView(view, textField, textField && textField == ui_->largeFileTipLable);
}

void DupImageNavigationViewController::viewDidLoad()
{
    DupImageNavigationGuide::fillPages(DupImageNavigationGuide::pagesOf(*ui_));

    // The root lets whatever lies beneath show through; the pages dim it.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    // The pages lie on top, page 1 showing.
    for (QWidget* page : {static_cast<QWidget*>(ui_->scanDupView), static_cast<QWidget*>(ui_->scanImageOutsideView),
                          static_cast<QWidget*>(ui_->scanLargeOutsideView)}) {
        page->raise();
    }
    ui_->scanDupView->show();
    ui_->scanImageOutsideView->hide();
    ui_->scanLargeOutsideView->hide();
    setMouseTracking(true);
    NotificationCenter::defaultCenter().addObserver(this, DupImageNavigationView::clickNotification(),
                                                    [this](const Notification&) { onDupImageNavigationViewClick(); });
    DupImageNavigationGuide::holdFocus(this);
}

void DupImageNavigationViewController::onDupImageNavigationViewClick()
{
    if (clickCount_ == 0) {
        showPage(2);
        clickCount_ = 1;
    } else if (clickCount_ == 1) {
        showPage(3);
        clickCount_ = 2;
    } else {
        endGuide();
    }
}

void DupImageNavigationViewController::showPage(int page)
{
    ui_->scanDupView->setVisible(page == 1);
    ui_->scanImageOutsideView->setVisible(page == 2);
    ui_->scanLargeOutsideView->setVisible(page == 3);
}

void DupImageNavigationViewController::endGuide()
{
    hide();
    showPage(0);
    DupImageNavigationGuide::setCompleted();
}

bool DupImageNavigationViewController::event(QEvent* event)
{
    // Tab too is the guide's, which would otherwise look for a control
    // beneath.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const DupImageNavigationGuide::KeySteps steps{
            // What a click on a page does.
            [] { NotificationCenter::defaultCenter().post(DupImageNavigationView::clickNotification()); },
            [this] {
                if (clickCount_ > 0) {
                    --clickCount_;
                    showPage(clickCount_ + 1);
                }
            },
            [this] { endGuide(); },
        };
        if (DupImageNavigationGuide::takeKey(static_cast<QKeyEvent*>(event), steps)) {
            return true;
        }
    }
    return ViewController::event(event);
}

bool DupImageNavigationViewController::focusNextPrevChild(bool next)
{
    // While shown, nothing beneath it may take the focus. Once hidden it
    // hands the focus on as any hidden widget does, or the keyboard would
    // stay with a guide that is gone.
    return isVisible() || ViewController::focusNextPrevChild(next);
}

void DupImageNavigationViewController::mousePressEvent(QMouseEvent* event)
{
    // A click that misses the pages stops here, short of the controls beneath.
    event->accept();
}

void DupImageNavigationViewController::resizeEvent(QResizeEvent* event)
{
    ViewController::resizeEvent(event);
    placePages();
}

void DupImageNavigationViewController::showEvent(QShowEvent* event)
{
    ViewController::showEvent(event);
    placePages();
}

void DupImageNavigationViewController::placePages()
{
    const QList<std::pair<QWidget*, QWidget*>> pages = {
        {ui_->scanDupView, ui_->selectView},
        {ui_->scanImageOutsideView, ui_->scanImageView},
        {ui_->scanLargeOutsideView, ui_->scanLargeView},
    };
    for (const auto& [page, stage] : pages) {
        page->setGeometry(rect());
        stage->setGeometry(DupImageNavigationGuide::stageFrame(page));
    }
}
