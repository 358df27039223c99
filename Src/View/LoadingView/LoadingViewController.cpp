#include "LoadingViewController.h"

#include "ui_LoadingViewController.h"

#include "LoadingBackdrop.h"
#include "LoadingMouseView.h"

#include "Foundation/Bundle.h"
#include "Lottie/Animation.h"
#include "Lottie/AnimationView.h"
#include "Lottie/LRUAnimationCache.h"
#include "Main/Utilities.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

LoadingViewController::LoadingViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::LoadingViewController>())
{
    ui_->setupUi(this);
    setFocusPolicy(Qt::StrongFocus);
    viewDidLoad();
}

LoadingViewController::~LoadingViewController()
{
    if (covered_) {
        covered_->removeEventFilter(this);
    }
}

Lottie::AnimationView* LoadingViewController::animationView() const
{
    return ui_->animationView;
}

QLabel* LoadingViewController::loadingLabel() const
{
    return ui_->loadingLabel;
}

LoadingMouseView* LoadingViewController::mouseView() const
{
    return ui_->mouseView;
}

void LoadingViewController::viewDidLoad()
{
    const QString path = Bundle::main().pathForResource(QStringLiteral("LottieAnimation/Loading/data"),
                                                        QStringLiteral("json"));
    ui_->animationView->setAnimation(Lottie::Animation::filepath(path, &Lottie::LRUAnimationCache::sharedCache()));
    ui_->animationView->setLoopMode(Lottie::LottieLoopMode::loop);
    ui_->animationView->play();

    ui_->loadingLabel->setText(localized("Loading..."));
    QFont font = ui_->loadingLabel->font();
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    ui_->loadingLabel->setFont(font);
}

void LoadingViewController::loadingStart(bool start, QWidget* view)
{
    if (!start) {
        isLoading_ = false;
        if (view && parentWidget() == view) {
            detach();
        }
        TSLOG(QStringLiteral("LoadingClose"));
        return;
    }
    isLoading_ = true;
    if (!view) {
        TSLOG(QStringLiteral("LoadingStart: no view to cover, nothing shown"));
        return;
    }
    if (covered_ && covered_ != view) {
        covered_->removeEventFilter(this);
    }
    covered_ = view;
    if (parentWidget() != view) {
        setParent(view);
    }
    view->installEventFilter(this);
    setGeometry(view->rect());
    refreshBackground();
    applyLabelColor();
    QWidget* focused = QApplication::focusWidget();
    if (focused && focused != this && view->isAncestorOf(focused)) {
        previousFocus_ = focused;
    }
    raise();
    show();
    // Keys go nowhere beneath the overlay either.
    setFocus(Qt::OtherFocusReason);
    if (!ui_->animationView->isAnimationPlaying()) {
        ui_->animationView->play();
    }
    TSLOG(QStringLiteral("LoadingStart"));
}

void LoadingViewController::applyLabelColor()
{
    QPalette labelPalette = ui_->loadingLabel->palette();
    labelPalette.setColor(QPalette::WindowText, assetColor(QStringLiteral("TitleLabelColor")));
    ui_->loadingLabel->setPalette(labelPalette);
}

void LoadingViewController::changeEvent(QEvent* event)
{
    ViewController::changeEvent(event);
    // A new appearance: the text's colour and the picture behind follow.
    if (event->type() == QEvent::PaletteChange && covered_ && !refreshPending_) {
        applyLabelColor();
        scheduleRefresh();
    }
}

void LoadingViewController::detach()
{
    QWidget* view = covered_;
    hide();
    if (view) {
        view->removeEventFilter(this);
    }
    covered_ = nullptr;
    setParent(nullptr);
    if (previousFocus_ && previousFocus_->isVisible()) {
        previousFocus_->setFocus(Qt::OtherFocusReason);
    }
    previousFocus_ = nullptr;
}

void LoadingViewController::refreshBackground()
{
    refreshPending_ = false;
    if (!covered_) {
        return;
    }
    background_ = LoadingBackdrop::applyFilters(LoadingBackdrop::snapshot(covered_, this));
    update();
}

void LoadingViewController::scheduleRefresh()
{
    // Resizes come in bursts; one picture per turn of the event loop, taken
    // once the covered view has laid itself out again.
    if (refreshPending_) {
        return;
    }
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] { refreshBackground(); });
}

bool LoadingViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == covered_ && event->type() == QEvent::Resize && parentWidget() == covered_) {
        setGeometry(covered_->rect());
        scheduleRefresh();
    }
    return ViewController::eventFilter(watched, event);
}

bool LoadingViewController::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        // Tab would move the focus to a control beneath.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            event->accept();
            return true;
        }
    }
    return ViewController::event(event);
}

void LoadingViewController::keyPressEvent(QKeyEvent* event)
{
    event->accept();
}

void LoadingViewController::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

void LoadingViewController::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!background_.isNull()) {
        painter.drawImage(QPointF(0, 0), background_);
    } else {
        painter.fillRect(rect(), palette().color(QPalette::Window));
    }
}
