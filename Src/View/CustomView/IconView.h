#pragma once

#include <QIcon>
#include <QWidget>

// An image view: draws its image fitted into its bounds, centred, sharp at
// any scale (images are vector where the program has them).
class IconView : public QWidget {
    Q_OBJECT
public:
    explicit IconView(QWidget* parent = nullptr);

    QIcon image() const { return image_; }
    void setImage(const QIcon& image);
    // The image of the program's resources with that name.
    void setImageNamed(const QString& name);
    QString imageName() const { return imageName_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon image_;
    QString imageName_;
};
