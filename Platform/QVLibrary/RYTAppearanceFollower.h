#pragma once

#include <functional>

#include <QObject>

class QString;
class QWidget;

// Keeps what a widget took from the named colours in step with the
// appearance while it is shown. Colours looked up as a widget paints follow
// by themselves; those set up once (a label's palette, a style sheet, a
// colour kept in a member) are taken again by the widget's `apply`.
//
// The desktop's switch is the application palette changing. Qt tells only
// some widgets of it: none below a style sheet set on a parent hears of it,
// and their palettes keep the old colours. So the change is watched once for
// the whole program, and every follower is called after Qt has handed the
// new palette to the windows.
class RYTAppearanceFollower : public QObject {
    Q_OBJECT
public:
    // Calls `apply` now, and again each time the appearance turns dark or
    // light while `widget` lives. Main thread only.
    static void follow(QWidget* widget, std::function<void()> apply);
    // Keeps the widget's text (its palette's window text) in the named
    // colour of the appearance shown.
    static void followTextColor(QWidget* widget, const QString& colorName);

private:
    RYTAppearanceFollower(QWidget* widget, std::function<void()> apply);

    friend class RYTAppearanceWatch;
    // Runs `apply` when the appearance differs from the one last applied.
    void appearanceMayHaveChanged();

    std::function<void()> apply_;
    bool dark_ = false;
};
