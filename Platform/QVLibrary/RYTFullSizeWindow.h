#pragma once

#include <QMainWindow>

class QAction;

// The main window's class. Its full-screen toggle is the program's own: an
// action (F11) that the menus show, which the window can hide or disable;
// the window manager's decorations are left alone.
class RYTFullSizeWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit RYTFullSizeWindow(QWidget* parent = nullptr);

    // The full-screen toggle ("button"); menus add it.
    QAction* fullScreenAction() const { return fullScreenAction_; }

    // Hidden: the toggle disappears from the menus and F11 does nothing.
    void setFullScreenBtnHidded(bool hidden);
    bool fullScreenBtnHidded() const { return fullScreenBtnHidded_; }
    // Disabled: the toggle stays visible, greyed, and F11 does nothing.
    void setFullScreenButtonEnabled(bool enabled);
    bool fullScreenButtonEnabled() const;

    void setShowsToolbarButton(bool shows) { showsToolbarButton_ = shows; }
    bool showsToolbarButton() const { return showsToolbarButton_; }
    // Room kept above the content for the title area (points).
    void setTopOffset(double offset);
    double topOffset() const { return topOffset_; }

    bool isInFullScreen() const { return isFullScreen(); }

public slots:
    // Enters or leaves full screen when the toggle is available.
    void toggleFullScreen();

signals:
    void didEnterFullScreen();
    void didExitFullScreen();

protected:
    void changeEvent(QEvent* event) override;

private:
    void refreshAction();

    QAction* fullScreenAction_ = nullptr;
    bool fullScreenBtnHidded_ = false;
    bool fullScreenEnabled_ = true;
    bool showsToolbarButton_ = false;
    double topOffset_ = 0.0;
    bool wasFullScreen_ = false;
};
