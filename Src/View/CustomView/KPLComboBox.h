#pragma once

#include <memory>

#include <QComboBox>

#include "KPLComboBoxCell.h"

class QProxyStyle;

// An editable combo box drawn by its own cell: a rounded white body with a
// grey outline, the text in black and a blue strip along the trailing edge
// that opens the list. Setting a look on the box copies it to the cell and
// redraws.
class KPLComboBox : public QComboBox, public KPLCellLookMirror {
    Q_OBJECT
public:
    explicit KPLComboBox(QWidget* parent = nullptr);
    ~KPLComboBox() override;

    // Made on first use.
    KPLComboBoxCell* comboBoxCell();

    std::optional<QColor> buttonColor() const { return buttonColor_; }
    void setButtonColor(std::optional<QColor> color);
    std::optional<QGradientStops> buttonGradient() const { return buttonGradient_; }
    void setButtonGradient(std::optional<QGradientStops> gradient);
    std::optional<QColor> triangleImageColor() const { return triangleImageColor_; }
    void setTriangleImageColor(std::optional<QColor> color);

    // A box without a frame draws no body and no strip.
    void setBordered(bool bordered);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    KPLCellLook* cellLook() override { return comboBoxCell(); }
    void redrawCell() override;

private:
    void configCell();
    void styleEditor();

    std::unique_ptr<KPLComboBoxCell> cell_;
    std::optional<QColor> buttonColor_;
    std::optional<QGradientStops> buttonGradient_;
    std::optional<QColor> triangleImageColor_;
};
