#pragma once

#include <memory>

#include <QIcon>
#include <QString>

class RYTTWSComboBoxItem;
using RYTTWSComboBoxItemPtr = std::shared_ptr<RYTTWSComboBoxItem>;

// One entry of a RYTTWSComboBox. Two items are equal by identifier, or by
// title when neither has an identifier.
class RYTTWSComboBoxItem {
public:
    RYTTWSComboBoxItem() = default;

    static RYTTWSComboBoxItemPtr itemWithTitle(const QString& title);
    static RYTTWSComboBoxItemPtr itemWithTitle(const QString& title, const QString& identifier);
    static RYTTWSComboBoxItemPtr itemWithTitle(const QString& title, const QString& subtitle, const QString& identifier);
    static RYTTWSComboBoxItemPtr itemWithTitle(const QString& title, const QString& subtitle, const QString& identifier,
                                               const QString& sortDescriptor);
    // The identifier stays unset.
    static RYTTWSComboBoxItemPtr itemWithTitle(const QString& title, const QIcon& image, const QIcon& selectedImage);
    static RYTTWSComboBoxItemPtr itemWithTitle(const QString& title, const QString& subtitle, const QString& identifier,
                                               const QString& sortDescriptor, const QIcon& image,
                                               const QIcon& selectedImage);

    bool isEqual(const RYTTWSComboBoxItem& other) const;

    bool isSelected() const { return selected_; }
    void setSelected(bool selected) { selected_ = selected; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted) { highlighted_ = highlighted; }
    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }
    QString sortDescriptor() const { return sortDescriptor_; }
    void setSortDescriptor(const QString& sortDescriptor) { sortDescriptor_ = sortDescriptor; }
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    QString subtitle() const { return subtitle_; }
    void setSubtitle(const QString& subtitle) { subtitle_ = subtitle; }
    QString deletePath() const { return deletePath_; }
    void setDeletePath(const QString& deletePath) { deletePath_ = deletePath; }
    QIcon image() const { return image_; }
    void setImage(const QIcon& image) { image_ = image; }
    QIcon selectedImage() const { return selectedImage_; }
    void setSelectedImage(const QIcon& image) { selectedImage_ = image; }
    QString primitiveName() const { return primitiveName_; }
    void setPrimitiveName(const QString& name) { primitiveName_ = name; }

private:
    bool selected_ = false;
    bool highlighted_ = false;
    QString identifier_;
    QString sortDescriptor_;
    QString title_;
    QString subtitle_;
    QString deletePath_;
    QIcon image_;
    QIcon selectedImage_;
    QString primitiveName_;
};
