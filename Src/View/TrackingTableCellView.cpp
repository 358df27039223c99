#include "TrackingTableCellView.h"

#include "ui_TrackingTableCellView.h"

#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMainWindow>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

FolderPathTextField::FolderPathTextField(QWidget* parent) : QLabel(parent) {}

void FolderPathTextField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetricsF metrics(font());
    const QString text = this->text();
    const double width = contentsRect().width();

    // Lay out up to the last allowed line; what does not fit goes into it,
    // shortened in the middle so both ends of the path stay readable.
    QList<QString> lines;
    QTextLayout layout(text, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int consumed = 0;
    while (lines.size() < maximumLines - 1) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength());
        consumed = line.textStart() + line.textLength();
    }
    layout.endLayout();
    if (consumed < text.size()) {
        lines << metrics.elidedText(text.mid(consumed), Qt::ElideMiddle, width);
    }
    const double lineHeight = metrics.lineSpacing();
    double y = contentsRect().top() + (contentsRect().height() - lineHeight * lines.size()) / 2.0;
    for (const QString& line : lines) {
        painter.drawText(QRectF(contentsRect().left(), y, width, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += lineHeight;
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
    QFont font = ui_->textField->font();
    font.setPixelSize(13);
    ui_->textField->setFont(font);
    QPalette palette = ui_->textField->palette();
    palette.setColor(QPalette::WindowText, RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor")));
    ui_->textField->setPalette(palette);
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
    ui_->deleteButton->setVisible(frame.contains(point));
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
}
