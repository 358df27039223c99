#pragma once

#include <functional>
#include <memory>

#include <QPointer>

#include "View/Extension/KPLExtensionView.h"

class DupImageNavigationView;
class QLabel;
class RYTView;

namespace Ui {
class DupImageNavigationViewController;
}

// The in-window form of the one-time feature guide: three pages laid over
// the whole content of the main window, one for each function button, each
// with the button's title and a tip. Every click on a page moves on; the
// click on the third page hides the guide and records that it was seen.
// While it holds the keyboard, its keys move it on, back or end it.
class DupImageNavigationViewController : public ViewController {
    Q_OBJECT
public:
    explicit DupImageNavigationViewController(QWidget* parent = nullptr);
    ~DupImageNavigationViewController() override;

    // Outlets of the layout.
    DupImageNavigationView* selectView() const;
    QLabel* duplicateBtnTitle() const;
    QLabel* dupImagesBtnTitle() const;
    QLabel* largeBtnTitle() const;
    QLabel* duplicateFileTipLabel() const;
    RYTView* dupTextView() const;
    QLabel* dupImagesTipLabel() const;
    RYTView* dupImageTextView() const;
    QLabel* largeFileTipLable() const;
    RYTView* largeTextView() const;
    DupImageNavigationView* scanDupView() const;
    DupImageNavigationView* scanImageView() const;
    DupImageNavigationView* scanImageOutsideView() const;
    DupImageNavigationView* scanLargeView() const;
    DupImageNavigationView* scanLargeOutsideView() const;

    // Clicks handled so far: 0, 1 or 2.
    int clickCount() const { return clickCount_; }
    // Set by whoever shows the guide; the guide itself never runs it.
    std::function<void()> mouseDownBlock;

    void viewDidLoad();
    void onDupImageNavigationViewClick();
    void updateView(RYTView* view, QLabel* textField);

protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void placePages();
    // Page 1, 2 or 3 up, the others hidden.
    void showPage(int page);
    void endGuide();

    std::unique_ptr<Ui::DupImageNavigationViewController> ui_;
    int clickCount_ = 0;
};
