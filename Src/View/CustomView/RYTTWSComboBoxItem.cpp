#include "RYTTWSComboBoxItem.h"

RYTTWSComboBoxItemPtr RYTTWSComboBoxItem::itemWithTitle(const QString& title)
{
    return itemWithTitle(title, title);
}

RYTTWSComboBoxItemPtr RYTTWSComboBoxItem::itemWithTitle(const QString& title, const QString& identifier)
{
    auto item = std::make_shared<RYTTWSComboBoxItem>();
    item->title_ = title;
    item->identifier_ = identifier;
    return item;
}

RYTTWSComboBoxItemPtr RYTTWSComboBoxItem::itemWithTitle(const QString& title, const QString& subtitle,
                                                        const QString& identifier)
{
    return itemWithTitle(title, subtitle, identifier, QStringLiteral(""));
}

RYTTWSComboBoxItemPtr RYTTWSComboBoxItem::itemWithTitle(const QString& title, const QString& subtitle,
                                                        const QString& identifier, const QString& sortDescriptor)
{
    return itemWithTitle(title, subtitle, identifier, sortDescriptor, QIcon(), QIcon());
}

RYTTWSComboBoxItemPtr RYTTWSComboBoxItem::itemWithTitle(const QString& title, const QIcon& image,
                                                        const QIcon& selectedImage)
{
    auto item = std::make_shared<RYTTWSComboBoxItem>();
    item->title_ = title;
    item->image_ = image;
    item->selectedImage_ = selectedImage;
    return item;
}

RYTTWSComboBoxItemPtr RYTTWSComboBoxItem::itemWithTitle(const QString& title, const QString& subtitle,
                                                        const QString& identifier, const QString& sortDescriptor,
                                                        const QIcon& image, const QIcon& selectedImage)
{
    auto item = std::make_shared<RYTTWSComboBoxItem>();
    item->title_ = title;
    item->subtitle_ = subtitle;
    item->identifier_ = identifier;
    item->sortDescriptor_ = sortDescriptor;
    item->image_ = image;
    item->selectedImage_ = selectedImage;
    return item;
}

bool RYTTWSComboBoxItem::isEqual(const RYTTWSComboBoxItem& other) const
{
    if (identifier_.isEmpty() && other.identifier_.isEmpty()) {
        return title_ == other.title_;
    }
    return identifier_ == other.identifier_;
}
