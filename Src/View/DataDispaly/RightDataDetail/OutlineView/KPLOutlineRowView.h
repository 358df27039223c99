#pragma once

#include <optional>

#include <QColor>
#include <QGradientStops>
#include <QMarginsF>

#include "QVLibrary/RYTableRowView.h"

// A row view that paints its background and a rounded selection from
// optional colours or top-to-bottom gradients, with an optional outline.
class KPLOutlineRowView : public RYTableRowView {
    Q_OBJECT
public:
    enum class SelectionHighlightStyle { none, regular };

    explicit KPLOutlineRowView(QObject* parent = nullptr);

    SelectionHighlightStyle selectionHighlightStyle() const { return highlightStyle_; }
    void setSelectionHighlightStyle(SelectionHighlightStyle style) { highlightStyle_ = style; }

    // Insets of the selection (QMarginsF: left, top, right, bottom); left
    // and right swap in a right-to-left list.
    std::optional<QMarginsF> highlightEdgeInsets() const { return highlightEdgeInsets_; }
    void setHighlightEdgeInsets(std::optional<QMarginsF> insets) { highlightEdgeInsets_ = insets; }
    std::optional<QColor> fillColor() const { return fillColor_; }
    void setFillColor(std::optional<QColor> color) { fillColor_ = color; }
    std::optional<QGradientStops> gradient() const { return gradient_; }
    void setGradient(std::optional<QGradientStops> gradient) { gradient_ = std::move(gradient); }
    std::optional<QColor> highlightColor() const { return highlightColor_; }
    void setHighlightColor(std::optional<QColor> color) { highlightColor_ = color; }
    std::optional<QGradientStops> highlightGradient() const { return highlightGradient_; }
    void setHighlightGradient(std::optional<QGradientStops> gradient) { highlightGradient_ = std::move(gradient); }
    std::optional<QColor> strokeColor() const { return strokeColor_; }
    void setStrokeColor(std::optional<QColor> color) { strokeColor_ = color; }
    std::optional<double> strokeWidth() const { return strokeWidth_; }
    void setStrokeWidth(std::optional<double> width) { strokeWidth_ = width; }
    std::optional<double> strokeRadius() const { return strokeRadius_; }
    void setStrokeRadius(std::optional<double> radius) { strokeRadius_ = radius; }

    // The selection rectangle for a rectangle of the row.
    QRectF selectionRect(const QRectF& rect) const;

    void drawBackgroundInRect(QPainter* painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter* painter, const QRectF& dirtyRect) override;

private:
    SelectionHighlightStyle highlightStyle_ = SelectionHighlightStyle::regular;
    std::optional<QMarginsF> highlightEdgeInsets_ = QMarginsF();
    std::optional<QColor> fillColor_;
    std::optional<QGradientStops> gradient_;
    std::optional<QColor> highlightColor_ = QColor(Qt::red);
    std::optional<QGradientStops> highlightGradient_;
    std::optional<QColor> strokeColor_;
    std::optional<double> strokeWidth_;
    std::optional<double> strokeRadius_;
};
