#include "SelectViewPair.h"

#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTButton.h"

#include <QAbstractButton>
#include <QKeyEvent>

SelectViewPair::SelectViewPair(RYSelectView* first, RYSelectView* second, QObject* parent)
    : SelectViewPair(
          first, second, [](const QWidget* view) { return static_cast<const RYSelectView*>(view)->selected(); },
          [](QWidget* view) { static_cast<RYSelectView*>(view)->click(); }, parent)
{
    for (RYSelectView* view : {first, second}) {
        connect(view, &RYSelectView::selectedChanged, this, [this] { follow(); });
    }
    follow();
}

SelectViewPair::SelectViewPair(QAbstractButton* first, QAbstractButton* second, QObject* parent)
    : SelectViewPair(
          first, second, [](const QWidget* button) { return static_cast<const QAbstractButton*>(button)->isChecked(); },
          [](QWidget* button) { static_cast<QAbstractButton*>(button)->click(); }, parent)
{
    for (QAbstractButton* button : {first, second}) {
        connect(button, &QAbstractButton::toggled, this, [this] { follow(); });
    }
    follow();
}

SelectViewPair::SelectViewPair(QWidget* first, QWidget* second, std::function<bool(const QWidget*)> isChosen,
                               std::function<void(QWidget*)> click, QObject* parent)
    : QObject(parent)
    , first_(first)
    , second_(second)
    , isChosen_(std::move(isChosen))
    , click_(std::move(click))
{
    first->installEventFilter(this);
    second->installEventFilter(this);
}

QWidget* SelectViewPair::chosen() const
{
    if (!first_ || !second_ || isChosen_(first_) == isChosen_(second_)) {
        return nullptr;
    }
    return isChosen_(first_) ? first_.data() : second_.data();
}

void SelectViewPair::follow()
{
    // Between the two changes of a switch both (or neither) are chosen: the
    // second change settles it.
    QWidget* now = chosen();
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
    QWidget* other = watched == first_ ? second_.data() : first_.data();
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
        click_(other);
    }
    return true;
}
