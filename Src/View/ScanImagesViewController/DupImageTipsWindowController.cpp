#include "Foundation/Bundle.h"
#include "DupImageTipsWindowController.h"

#include "ui_DupImageTipsWindowController.h"

#include "Main/Utilities.h"
#include "Window/ModalOverlay.h"

#include <QEvent>

DupImageTipsWindowController::DupImageTipsWindowController(QObject* parent)
    : WindowController(parent)
    , imageItem_(std::make_shared<ScanImagesItem>())
{
}

DupImageTipsWindowController::~DupImageTipsWindowController() = default;

void DupImageTipsWindowController::setImageItem(const ScanImagesItemPtr& item)
{
    imageItem_ = item ? item : std::make_shared<ScanImagesItem>();
}

QLabel* DupImageTipsWindowController::tipLabel() const
{
    return ui_ ? ui_->tipLabel : nullptr;
}

void DupImageTipsWindowController::loadWindow()
{
    if (ui_) {
        return;
    }
    ui_ = std::make_unique<Ui::DupImageTipsWindowController>();
    auto* window = new QWidget;
    ui_->setupUi(window);
    setWindow(window);
    window->installEventFilter(this);
    windowDidLoad();
}

void DupImageTipsWindowController::windowDidLoad()
{
    QWidget* content = window();
    if (!content) {
        return;
    }
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, color256(54, 78, 101));
    content->setPalette(palette);
    ui_->tipLabel->setTextFormat(Qt::PlainText);
    ui_->tipLabel->setText(fillPlaceholders(QStringLiteral("%@ \\ %@"), {imageItem_->imageName(), imageItem_->imagePath()}));
}

void DupImageTipsWindowController::windowWillClose()
{
    ModalOverlay::stopModal();
}

bool DupImageTipsWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window() && event->type() == QEvent::Close) {
        windowWillClose();
    }
    return WindowController::eventFilter(watched, event);
}
