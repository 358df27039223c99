#pragma once

#include <QStyledItemDelegate>

// Paints a row of a white list's path list: the path, cut in the middle when
// it is too long, on alternating white and tinted rows (a fixed light
// surface in either appearance), the chosen row filled with the selection
// colour and a row under the mouse tinted with it.
class ListViewCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ListViewCell(QObject* parent = nullptr);

    // A row's height and the gap below it.
    static constexpr int rowHeight = 24;
    static constexpr int rowSpacing = 1;
    // The room left and right of the text.
    static constexpr int textMargin = 10;

    // The fill of a row that is neither chosen nor under the mouse.
    static QColor backgroundColor(int row);
    static QColor selectedColor();
    static QColor highlightedColor();
    // The text's colour, on a chosen row and on the others.
    static QColor textColor(bool chosen);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
