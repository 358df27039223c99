#pragma once

#include <memory>

#include "Window/WindowController.h"

namespace Ui {
class LoadingWindowController;
}

// A window whose content shows the loading overlay's frosted backdrop: a
// saturated, blurred picture of the program's main window where the window
// lies over it (a plain background elsewhere), renewed whenever the window
// is shown, moved or resized.
class LoadingWindowController : public WindowController {
    Q_OBJECT
public:
    LoadingWindowController();
    ~LoadingWindowController() override;

    void windowDidLoad() override;
    QWidget* testView() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshBackdrop();

    std::unique_ptr<Ui::LoadingWindowController> ui_;
};
