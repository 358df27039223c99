#pragma once

// Screenshots across a switch of the desktop's appearance while a screen is
// shown: the screenshot tools take each state made in one appearance, and,
// with their --live option, the same state again after the desktop turned to
// the other appearance and after it turned back. Each can then be set beside
// the state made fresh in that appearance.

#include "QVLibrary/RYTDarkMode.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPalette>
#include <QString>
#include <QStyle>

#include <functional>

namespace LiveAppearance {

inline bool& enabled()
{
    static bool on = false;
    return on;
}

// The application palette a desktop gives in that appearance; nothing is
// forced, so the program reads the appearance from the palette, and Qt
// sends the widgets its own change events.
inline void switchDesktop(bool dark)
{
    RYTDarkMode::setForcedAppearance(-1);
    QApplication::setPalette(dark ? QPalette(QColor(40, 42, 46)) : QApplication::style()->standardPalette());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 400) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// After a state has been shot in `dark`: when live shots are on, switches to
// the other appearance and calls shoot("-live-<other>"), switches back and
// calls shoot("-live-<other>-back"). The state is in `dark` again at the end.
inline void across(bool dark, const std::function<void(const QString& tag)>& shoot)
{
    if (!enabled()) {
        return;
    }
    const QString other = dark ? QStringLiteral("light") : QStringLiteral("dark");
    switchDesktop(!dark);
    shoot(QStringLiteral("-live-") + other);
    switchDesktop(dark);
    shoot(QStringLiteral("-live-") + other + QStringLiteral("-back"));
}

}  // namespace LiveAppearance
