#include "TrackingTableCellView.h"

#include "ui_TrackingTableCellView.h"

#include "QVLibrary/RYTAppearanceFollower.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"

#include <QCursor>
#include <QKeyEvent>
#include <QEnterEvent>
#include <QMainWindow>
#include <QPainter>
#include <QPainterPath>

FolderPathTextField::FolderPathTextField(QWidget* parent) : QLabel(parent) {}

void FolderPathTextField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF box = contentsRect();
    const QString text = this->text();
    QString path = text;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    // A path reads best as its folder's name over the whole path; the path
    // is shortened in the middle so both ends stay readable.
    const bool isPath = path.contains(QLatin1Char('/')) && path != QLatin1String("/");
    const QString heading = isPath ? path.mid(path.lastIndexOf(QLatin1Char('/')) + 1) : text;

    QFont headingFont = font();
    headingFont.setPixelSize(14);
    headingFont.setWeight(QFont::DemiBold);
    QFont detailFont = font();
    detailFont.setPixelSize(12);
    const QFontMetricsF headingMetrics(headingFont);
    const QFontMetricsF detailMetrics(detailFont);
    const double gap = 4;
    const double height = headingMetrics.height() + (isPath ? gap + detailMetrics.height() : 0);
    double y = box.top() + (box.height() - height) / 2;

    QColor color = palette().color(QPalette::WindowText);
    painter.setPen(color);
    painter.setFont(headingFont);
    painter.drawText(QRectF(box.left(), y, box.width(), headingMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     headingMetrics.elidedText(heading, Qt::ElideRight, box.width()));
    if (isPath) {
        y += headingMetrics.height() + gap;
        color.setAlphaF(0.55f);
        painter.setPen(color);
        painter.setFont(detailFont);
        painter.drawText(QRectF(box.left(), y, box.width(), detailMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         detailMetrics.elidedText(text, Qt::ElideMiddle, box.width()));
    }
}

TrackingTableCellView::TrackingTableCellView(QWidget* parent)
    : RYTableCellView(parent), ui_(std::make_unique<Ui::TrackingTableCellView>())
{
    ui_->setupUi(this);
    setAttribute(Qt::WA_Hover);
    const QIcon icon = RYTImage::named(QStringLiteral("folderRowIcon"));
    if (!icon.isNull()) {
        ui_->iconView->setPixmap(icon.pixmap(ui_->iconView->maximumSize(), devicePixelRatioF()));
    }
    // The text keeps its width when the button hides.
    QSizePolicy policy = ui_->deleteButton->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    ui_->deleteButton->setSizePolicy(policy);
    RYTAppearanceFollower::followTextColor(ui_->textField, QStringLiteral("TitleLabelColor"));
    connect(ui_->deleteButton, &RYTButton::clicked, this, &TrackingTableCellView::deleteFileBtnAction);
    ui_->deleteButton->hide();
}

TrackingTableCellView::~TrackingTableCellView() = default;

RYTButton* TrackingTableCellView::deleteButton() const
{
    return ui_->deleteButton;
}

QLabel* TrackingTableCellView::textField() const
{
    return ui_->textField;
}

void TrackingTableCellView::prepareForReuse()
{
    ui_->deleteButton->hide();
}

void TrackingTableCellView::mouseEntered()
{
    showDeleteButton();
}

void TrackingTableCellView::showDeleteButton()
{
    RYTButton* button = ui_->deleteButton;
    button->show();
    button->setTitle(QString());
    button->setCornerRadius(button->height() / 2.0);
    const QIcon image = RYTImage::named(QStringLiteral("deletePath"));
    button->setButtonStateImage(image, QIcon(), QIcon(), QIcon());
}

void TrackingTableCellView::mouseExited(const QPoint& windowPoint)
{
    QWidget* window = this->window();
    QRect frame;
    if (window && window != this) {
        auto* mainWindow = qobject_cast<QMainWindow*>(window);
        QWidget* content = mainWindow ? mainWindow->centralWidget() : window;
        if (content) {
            frame = QRect(content->mapFrom(window, geometry().topLeft()), geometry().size());
        }
    }
    const QPoint point = (window ? mapFrom(window, windowPoint) : windowPoint) + QPoint(16, 0);
    ui_->deleteButton->setVisible(frame.contains(point) || keyboardChosen_);
}

void TrackingTableCellView::setKeyboardChosen(bool chosen)
{
    if (chosen == keyboardChosen_) {
        return;
    }
    keyboardChosen_ = chosen;
    if (chosen) {
        showDeleteButton();
    } else if (!underMouse()) {
        ui_->deleteButton->hide();
    }
    update();
}

bool TrackingTableCellView::rowKey(QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Space:
        if (!event->isAutoRepeat() && ui_->deleteButton->isVisible()) {
            ui_->deleteButton->click();
        }
        return true;
    default:
        return false;
    }
}

void TrackingTableCellView::deleteFileBtnAction()
{
    auto* button = qobject_cast<RYTButton*>(sender());
    if (button && delegate_) {
        delegate_->deleteFile(button->property("tag").toInt());
    }
}

void TrackingTableCellView::enterEvent(QEnterEvent* event)
{
    RYTableCellView::enterEvent(event);
    mouseEntered();
}

void TrackingTableCellView::leaveEvent(QEvent* event)
{
    RYTableCellView::leaveEvent(event);
    QWidget* window = this->window();
    mouseExited(window ? window->mapFromGlobal(QCursor::pos()) : QCursor::pos());
}

void TrackingTableCellView::paintEvent(QPaintEvent*)
{
    // A card per row, with room between rows.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(4.5, 5.5, -4.5, -5.5);
    QPainterPath path;
    path.addRoundedRect(card, 12, 12);
    painter.fillPath(path, RYTDarkMode::colorNamed(QStringLiteral("FolderCellBackgroundColor")));
    painter.setPen(QPen(RYTDarkMode::colorNamed(QStringLiteral("FolderCellBorderColor")), 1));
    painter.drawPath(path);
    if (keyboardChosen_) {
        RYTButton::paintFocusMark(painter, card.adjusted(-2.5, -2.5, 2.5, 2.5), 14);
    }
}
