#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class RYListView;

// One row of a RYListView. Its subviews come from the subclass's layout; the
// cell paints its background by state: selected, highlighted (mouse over,
// when the list allows it) or plain.
class RYListViewCell : public QWidget {
    Q_OBJECT
public:
    explicit RYListViewCell(QWidget* parent = nullptr);

    bool selected() const { return selected_; }
    void setSelected(bool selected);
    bool selectable() const { return selectable_; }
    void setSelectable(bool selectable) { selectable_ = selectable; }
    bool highlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);

    QColor selectedColor() const { return selectedColor_; }
    void setSelectedColor(const QColor& color);
    QColor highlightedColor() const { return highlightedColor_; }
    void setHighlightedColor(const QColor& color);
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);

    QString reuseIdentifier() const { return reuseIdentifier_; }
    int index() const { return index_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    friend class RYListView;
    RYListView* list_ = nullptr;
    QString reuseIdentifier_;
    int index_ = -1;
    bool selected_ = false;
    bool selectable_ = true;
    bool highlighted_ = false;
    QColor selectedColor_;
    QColor highlightedColor_;
    QColor backgroundColor_;
};
