#pragma once

#include <functional>

#include <QPointer>
#include <QRect>
#include <QString>

class QKeyEvent;
class QLabel;
class QWidget;
class RYTView;

// What the two forms of the one-time feature guide share: the flag that
// ends it for good, the texts of its three pages, the fitting of a tip
// bubble to its text, where its pages are drawn and how it keeps the
// keyboard to itself.
namespace DupImageNavigationGuide {

// The user default that is true once the guide has been seen to its end.
QString flagKey();
bool isCompleted();
void setCompleted();

// The labels and bubbles each form fills in the same way.
struct Pages {
    QLabel* duplicateBtnTitle = nullptr;
    QLabel* dupImagesBtnTitle = nullptr;
    QLabel* largeBtnTitle = nullptr;
    QLabel* duplicateFileTipLabel = nullptr;
    RYTView* dupTextView = nullptr;
    QLabel* dupImagesTipLabel = nullptr;
    RYTView* dupImageTextView = nullptr;
    QLabel* largeFileTipLable = nullptr;
    RYTView* largeTextView = nullptr;
};

// The labels and bubbles of a form's layout, whose outlets bear the same names.
template <typename Layout>
Pages pagesOf(const Layout& ui)
{
    Pages pages;
    pages.duplicateBtnTitle = ui.duplicateBtnTitle;
    pages.dupImagesBtnTitle = ui.dupImagesBtnTitle;
    pages.largeBtnTitle = ui.largeBtnTitle;
    pages.duplicateFileTipLabel = ui.duplicateFileTipLabel;
    pages.dupTextView = ui.dupTextView;
    pages.dupImagesTipLabel = ui.dupImagesTipLabel;
    pages.dupImageTextView = ui.dupImageTextView;
    pages.largeFileTipLable = ui.largeFileTipLable;
    pages.largeTextView = ui.largeTextView;
    return pages;
}

// Titles, their colour, tips, then each bubble fitted to its tip.
void fillPages(const Pages& pages);

// The tallest a tip may be; its bubble adds 16 above and below.
constexpr int maximumTipHeight = 80;
constexpr int bubblePadding = 32;

// The height the tip's text needs at the label's width, at most 80; 0
// without a label.
int tipTextHeight(const QLabel* textField);
// Styles the tip and fits its bubble around it: the tip gets its text's
// height, the bubble 32 more, the tip sits centred in it. The bubble keeps
// its top edge, or its bottom edge when `keepsBottomEdge` (the lowest page,
// whose bubble grows upwards).
void updateView(RYTView* view, QLabel* textField, bool keepsBottomEdge);

// The pages are drawn for the home screen's own area: the frame of that
// area in `space`'s coordinates, or a 700 × 360 area centred in `space`
// when the home screen cannot be found there.
QRect stageFrame(QWidget* space);
constexpr int stageWidth = 700;
constexpr int stageHeight = 360;

// The pictures of the pages: the buttons they stand for (which take no
// clicks), the arrows, the icons and the bubbles' colour.
void dressPages(QWidget* guide);

// What each form does for a step of its keys.
struct KeySteps {
    std::function<void()> forward;
    std::function<void()> back;
    std::function<void()> finish;
};
// A key press (or the shortcut check before it) that reaches a guide on
// screen. Return, Enter, Space, Tab, Right and Down move on, as a click
// does; Shift+Tab, Left and Up go back a page (nothing on the first);
// Escape ends the guide, as the last click does. Keys held with Ctrl, Alt
// or Meta are the program's shortcuts: none of the guide's. True for the
// guide's keys, which are then accepted before any shortcut or move of the
// focus can take them; a press takes its step, a held key's repeats none.
bool takeKey(QKeyEvent* event, const KeySteps& steps);

// Keeps `view` over the whole of its parent, whatever the parent's size.
void pinToEdges(QWidget* view);

// Keeps the keyboard focus on `guide` while it is visible: a control of
// `window` beneath it that would take the focus gives it back at once.
void holdFocus(QWidget* guide);

}  // namespace DupImageNavigationGuide
