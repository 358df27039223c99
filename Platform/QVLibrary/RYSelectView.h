#pragma once

#include <functional>

#include "RYTView.h"

// A click area (a tab, a mode switch). A click selects it and runs the
// `viewDidSelected` block with true; setting `selected` from code only
// changes the flag.
class RYSelectView : public RYTView {
    Q_OBJECT
public:
    explicit RYSelectView(QWidget* parent = nullptr);

    bool selected() const { return selected_; }
    void setSelected(bool selected);

    std::function<void(RYSelectView*, bool)> viewDidSelected;

signals:
    void selectedChanged(bool selected);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool selected_ = false;
};
