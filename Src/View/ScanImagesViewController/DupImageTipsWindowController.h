#pragma once

#include <memory>

#include "Model/ScanImagesItem.h"
#include "Window/WindowController.h"

class QLabel;
namespace Ui {
class DupImageTipsWindowController;
}

// The same tip as a window of its own ("name \ path"), run modally by
// whoever opens it; closing it ends the modal state. Nothing in the program
// opens it today.
class DupImageTipsWindowController : public WindowController {
    Q_OBJECT
public:
    explicit DupImageTipsWindowController(QObject* parent = nullptr);
    ~DupImageTipsWindowController() override;

    ScanImagesItemPtr imageItem() const { return imageItem_; }
    void setImageItem(const ScanImagesItemPtr& item);
    // Makes the window from its layout and fills it.
    void loadWindow();
    void windowDidLoad() override;
    void windowWillClose();
    QLabel* tipLabel() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::DupImageTipsWindowController> ui_;
    ScanImagesItemPtr imageItem_;
};
