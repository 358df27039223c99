#include "ListViewCell.h"

#include "ui_ListViewCell.h"

#include <QFontMetrics>

ListViewCell::ListViewCell(QWidget* parent)
    : RYListViewCell(parent)
    , ui_(std::make_unique<Ui::ListViewCell>())
{
    ui_->setupUi(this);
}

ListViewCell::~ListViewCell() = default;

QLabel* ListViewCell::whiteListPath() const
{
    return ui_->whiteListPath;
}

void ListViewCell::setPath(const QString& path)
{
    path_ = path;
    ui_->whiteListPath->setToolTip(path);
    elide();
}

void ListViewCell::resizeEvent(QResizeEvent* event)
{
    RYListViewCell::resizeEvent(event);
    elide();
}

void ListViewCell::elide()
{
    QLabel* label = ui_->whiteListPath;
    // Both ends of a path tell where it is, so the middle gives way.
    const int room = qMax(0, label->width() - 2);
    label->setText(QFontMetrics(label->font()).elidedText(path_, Qt::ElideMiddle, room));
}
