#pragma once

#include <memory>

#include <QPointer>

#include "WindowController.h"

class ClickWindow;
class QLabel;
class QStackedWidget;
class RYTView;

namespace Ui {
class DupImageNavigationWindowController;
}

// The window form of the one-time feature guide: its three pages in a
// window laid over the main window on a dark veil. Any left press in it
// moves on; the third ends the guide with a fade and records that it was
// seen. The keys of a guide move it on, back or end it as well.
class DupImageNavigationWindowController : public WindowController {
    Q_OBJECT
public:
    DupImageNavigationWindowController();
    ~DupImageNavigationWindowController() override;

    // Makes a new guide window (the one made before is released) and shows
    // it over the main window; without a main window nothing shows.
    static void showNavigationWindow();
    // The guide window made last.
    static DupImageNavigationWindowController* globalDupImageNavigationController();

    ClickWindow* clickWindow() const;

    // Outlets of the layout.
    QLabel* duplicateBtnTitle() const;
    QLabel* dupImagesBtnImages() const;
    QLabel* dupImagesBtnTitle() const;
    QLabel* largeBtnTitle() const;
    QLabel* duplicateFileTipLabel() const;
    RYTView* dupTextView() const;
    QLabel* dupImagesTipLabel() const;
    RYTView* dupImageTextView() const;
    QLabel* largeFileTipLable() const;
    RYTView* largeTextView() const;
    QWidget* scanDupView() const;
    QWidget* scanImageView() const;
    QWidget* scanLargeView() const;
    // Shows the page that is up.
    QStackedWidget* contentBox() const;

    void windowDidLoad() override;
    void clickAction();
    void updateView(RYTView* view, QLabel* textField);

    // Fades the guide window out and records that the guide was seen.
    static void endSheet();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeContent();
    // A key press the guide takes: true when it was one of the guide's keys.
    bool takeKey(QEvent* event);
    void showPreviousPage();

    std::unique_ptr<Ui::DupImageNavigationWindowController> ui_;
};
