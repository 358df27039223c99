#include "Foundation/Bundle.h"
#include "DupImageTipsViewController.h"

#include "ui_DupImageTipsViewController.h"

#include "Main/Utilities.h"

#include <QPainter>
#include <QPainterPath>

DupImageTipsViewController::DupImageTipsViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::DupImageTipsViewController>())
    , dupImageItem_(std::make_shared<ScanImagesItem>())
{
    ui_->setupUi(this);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    QPalette palette = ui_->tipsLabel->palette();
    palette.setColor(QPalette::WindowText, color256(54, 78, 101));
    ui_->tipsLabel->setPalette(palette);
    QFont font = ui_->tipsLabel->font();
    font.setPixelSize(12);
    ui_->tipsLabel->setFont(font);
    ui_->tipsLabel->setTextFormat(Qt::PlainText);
    ui_->tipsLabel->setText(tipText(*dupImageItem_));
    hide();
}

DupImageTipsViewController::~DupImageTipsViewController() = default;

QLabel* DupImageTipsViewController::tipsLabel() const
{
    return ui_->tipsLabel;
}

QString DupImageTipsViewController::tipText(const ScanImagesItem& item)
{
    return fillPlaceholders(QStringLiteral("%@ / %@"), {item.imageName(), item.imagePath()});
}

void DupImageTipsViewController::setDupImageItem(const ScanImagesItemPtr& item)
{
    dupImageItem_ = item ? item : std::make_shared<ScanImagesItem>();
}

void DupImageTipsViewController::showRelativeTo(QWidget* window, const QRect& anchor)
{
    if (!window) {
        return;
    }
    if (parentWidget() != window) {
        setParent(window);
    }
    const int maxWidth = std::max(120, window->width() - 24);
    const QFontMetrics metrics(ui_->tipsLabel->font());
    ui_->tipsLabel->setText(metrics.elidedText(tipText(*dupImageItem_), Qt::ElideMiddle, maxWidth - 20));
    adjustSize();
    resize(std::min(width(), maxWidth), height());
    int x = anchor.center().x() - width() / 2;
    x = std::clamp(x, 12, std::max(12, window->width() - width() - 12));
    int y = anchor.top() - height() - 4;
    if (y < 4) {
        y = anchor.bottom() + 4;
    }
    move(x, y);
    show();
    raise();
}

void DupImageTipsViewController::close()
{
    hide();
}

bool DupImageTipsViewController::isShown() const
{
    return isVisible();
}

void DupImageTipsViewController::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    painter.fillPath(path, Qt::white);
    painter.setPen(QPen(color256(220, 224, 236), 1));
    painter.drawPath(path);
}
