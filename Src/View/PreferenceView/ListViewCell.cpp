#include "ListViewCell.h"

#include "WhiteListPathModel.h"

#include "Main/Utilities.h"
#include "QVLibrary/RYTDarkMode.h"

#include <QFontMetrics>
#include <QPainter>

ListViewCell::ListViewCell(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QColor ListViewCell::backgroundColor(int row)
{
    return row % 2 == 1 ? RYTDarkMode::colorNamed(QStringLiteral("WhiteListBackgroundColor")) : QColor(Qt::white);
}

QColor ListViewCell::selectedColor()
{
    return assetColor(QStringLiteral("PreferenceSelectedColor"));
}

QColor ListViewCell::highlightedColor()
{
    // A tint, so a row under the mouse never looks chosen.
    QColor hover = selectedColor();
    hover.setAlphaF(0.16F);
    return hover;
}

QColor ListViewCell::textColor(bool chosen)
{
    // The rows are a fixed white surface, so their text keeps its light look.
    return chosen ? QColor(Qt::white) : RYTDarkMode::colorNamed(QStringLiteral("PreferenceDefaultColor"), false);
}

void ListViewCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int row = index.row();
    const bool chosen = index.data(WhiteListPathModel::ChosenRole).toBool();
    const QRect rect(option.rect.x(), option.rect.y(), option.rect.width(), rowHeight);
    painter->save();
    painter->fillRect(rect, chosen ? selectedColor() : backgroundColor(row));
    if (!chosen && (option.state & QStyle::State_MouseOver)) {
        painter->fillRect(rect, highlightedColor());
    }
    const QRect text = rect.adjusted(textMargin, 0, -textMargin, 0);
    // Both ends of a path tell where it is, so the middle gives way.
    const QString path = index.data(Qt::DisplayRole).toString();
    painter->setFont(option.font);
    painter->setPen(textColor(chosen));
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(path, Qt::ElideMiddle, qMax(0, text.width() - 2)));
    painter->restore();
}

QSize ListViewCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), rowHeight + rowSpacing);
}
