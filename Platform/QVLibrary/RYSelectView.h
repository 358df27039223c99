#pragma once

#include <functional>

#include "RYTView.h"

// A click area (a tab, a mode switch). A click selects it and runs the
// `viewDidSelected` block with true; setting `selected` from code only
// changes the flag. While `canSelected` is false clicks do nothing, so the
// tab already chosen does not run its action again. A selected view paints
// `selectedColor` (when one is set) in place of its background. Given a
// focus policy, it draws the program's focus ring while it has the focus.
class RYSelectView : public RYTView {
    Q_OBJECT
public:
    explicit RYSelectView(QWidget* parent = nullptr);

    bool selected() const { return selected_; }
    void setSelected(bool selected);
    bool canSelected() const { return canSelected_; }
    void setCanSelected(bool canSelected);
    QColor selectedColor() const { return selectedColor_; }
    void setSelectedColor(const QColor& color);

    std::function<void(RYSelectView*, bool)> viewDidSelected;

    // What a left click does (nothing while `canSelected` is false).
    void click();

    // Makes the controls of `group` (tabs, a switch, a pair of buttons) one
    // stop of Tab, the one `chosen`: it alone takes the focus by Tab, and
    // takes it over when another of the group had it.
    static void makeTabStop(QWidget* chosen, const QList<QWidget*>& group);

signals:
    void selectedChanged(bool selected);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    QColor currentBackgroundColor() const override;

private:
    bool selected_ = false;
    bool canSelected_ = true;
    QColor selectedColor_;
};
