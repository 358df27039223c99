#pragma once

#include <functional>

#include <QColor>
#include <QPalette>
#include <QPointer>
#include <QString>

class CircularProgressView;
class QLabel;
class QTimer;
class QWidget;
class TruncatingLabel;

// Looks shared by the scan screen and the panels it shows. Their surfaces
// are fixed light colours in both appearances, so what is drawn on them
// takes the light value of its named colour.
namespace ScanScreenLook {

// The light value of a named colour at `alpha`; red for an empty or
// unknown name, like assetColor.
QColor surfaceColor(const QString& name, double alpha = 1.0);

// Sets `role` of the widget's palette to `color` in every colour group and
// keeps it so. Under a style sheet (one of the widget's own or of a parent),
// every new polish (a move into another parent, a style sheet set above)
// gives the widget back the palette it had when first polished, which drops
// a colour set since: the dark appearance's palette then shows through.
void keepColor(QWidget* widget, QPalette::ColorRole role, const QColor& color);
// The same for every role and group of `palette`.
void keepPalette(QWidget* widget, const QPalette& palette);

// A label's text colour (its palette's window text).
void setTextColor(QLabel* label, const QColor& color);
QColor textColor(const QLabel* label);

// Draws a view and its children at `alpha` (1.0 takes the effect away).
void setViewAlpha(QWidget* view, double alpha);
double viewAlpha(const QWidget* view);

// Gives the scroll bars of `root` (when it scrolls) and of every scrolling
// view inside it the light look of the style's standard palette, every role
// set, so the dark appearance's palette reaches none of them: they lie on
// fixed white surfaces.
void keepScrollBarsLight(QWidget* root);

// Elapsed whole seconds as minutes and seconds, both at least two digits;
// minutes go on past 59 ("61:40").
QString clockText(qint64 seconds);

// Whole seconds of a clock advanced in steps of 0.1: truncated, or rounded
// up, without the error the additions pile up.
qint64 truncatedSeconds(double seconds);
qint64 roundedUpSeconds(double seconds);

// The step a scanning ring creeps by at each 0.1 s tick while the walk has
// no measure of its own yet: slower the longer the scan runs, none after
// 1100 s.
double virtualScanStep(double elapsedSeconds);

// A scanning panel's 0.1 s clock, made in `timer` on its first use as a
// child of `owner`, calling `tick` on every beat.
QTimer* scanningTimer(QPointer<QTimer>& timer, QObject* owner, const std::function<void()>& tick);

// One beat of a scanning panel's clock: `seconds` goes on by 0.1 and
// `timeLabel` shows it. Returns the step the ring creeps by, which is 0
// once the engine has named a path (`pathShown`).
double tickScanningClock(double& seconds, QLabel* timeLabel, bool pathShown);

// What every scanning panel shows the same way: the bold "Scanning" title
// of `titlePixelSize`, the ring on its light surface, the path of the last
// file (empty, elided in the middle, half strong), the "Elapsed time: "
// caption and the clock.
void setUpScanningPanel(QLabel* title, int titlePixelSize, CircularProgressView* ring, TruncatingLabel* path,
                        QLabel* elapsedCaption, QLabel* clock);

}  // namespace ScanScreenLook
