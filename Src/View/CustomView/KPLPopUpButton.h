#pragma once

#include <memory>

#include <QComboBox>

#include "KPLPopUpButtonCell.h"

// A pop-up button drawn by its own cell: a rounded white body with a thin
// clear outline, the chosen title in black and the arrow image after it.
// Setting a look on the button copies it to the cell and redraws.
class KPLPopUpButton : public QComboBox, public KPLCellLookMirror {
    Q_OBJECT
public:
    explicit KPLPopUpButton(QWidget* parent = nullptr);
    ~KPLPopUpButton() override;

    // Made on first use.
    KPLPopUpButtonCell* popUpButtonCell();

    std::optional<QColor> arrowColor() const { return arrowColor_; }
    void setArrowColor(std::optional<QColor> color);
    std::optional<QGradientStops> arrowGradient() const { return arrowGradient_; }
    void setArrowGradient(std::optional<QGradientStops> gradient);

    QIcon image() const { return image_; }
    void setImage(const QIcon& image);
    KPLImagePosition imagePosition() const;
    void setImagePosition(KPLImagePosition position);
    // A button without a frame draws no body.
    void setBordered(bool bordered);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    KPLCellLook* cellLook() override { return popUpButtonCell(); }
    void redrawCell() override { update(); }

private:
    void configCell();

    std::unique_ptr<KPLPopUpButtonCell> cell_;
    std::optional<QColor> arrowColor_;
    std::optional<QGradientStops> arrowGradient_;
    QIcon image_;
};
