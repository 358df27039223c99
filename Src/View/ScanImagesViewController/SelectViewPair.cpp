#include "SelectViewPair.h"

#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTButton.h"

#include <QKeyEvent>

SelectViewPair::SelectViewPair(RYSelectView* first, RYSelectView* second, QObject* parent)
    : QObject(parent)
    , first_(first)
    , second_(second)
{
    for (RYSelectView* view : {first, second}) {
        view->installEventFilter(this);
        connect(view, &RYSelectView::selectedChanged, this, [this] { follow(); });
    }
    follow();
}

RYSelectView* SelectViewPair::chosen() const
{
    if (!first_ || !second_ || first_->selected() == second_->selected()) {
        return nullptr;
    }
    return first_->selected() ? first_.data() : second_.data();
}

void SelectViewPair::follow()
{
    // Between the two changes of a switch both (or neither) are selected:
    // the second change settles it.
    RYSelectView* now = chosen();
    if (!now) {
        return;
    }
    RYSelectView::makeTabStop(now, {first_.data(), second_.data()});
}

bool SelectViewPair::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || (watched != first_ && watched != second_)) {
        return QObject::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    RYSelectView* other = watched == first_ ? second_.data() : first_.data();
    // The arrows go the way they point, as along a tab bar; Space and
    // Return take the other one.
    bool move = RYTButton::isPressKey(key);
    if (!(key->modifiers() & ~Qt::KeypadModifier)) {
        switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            move = true;
            other = watched == second_ ? first_.data() : nullptr;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            move = true;
            other = watched == first_ ? second_.data() : nullptr;
            break;
        default:
            break;
        }
    }
    if (!move) {
        return false;
    }
    if (other && !key->isAutoRepeat()) {
        other->click();
    }
    return true;
}
