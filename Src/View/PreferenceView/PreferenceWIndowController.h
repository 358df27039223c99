#pragma once

#include <memory>

#include <QDialog>

class PreferenceViewController;

namespace Ui {
class PreferenceWIndowController;
}

// The preferences window: made once, kept for the program's life, shown
// application-modal by the main window's Preferences item. Closing it by any
// means saves what the size fields hold and hides it; opening it again
// shows the page and values it had.
class PreferenceWIndowController : public QDialog {
    Q_OBJECT
public:
    explicit PreferenceWIndowController(QWidget* parent = nullptr);
    ~PreferenceWIndowController() override;

    // The maker the program registers with the main window.
    static QDialog* make();

    QWidget* preferenceBox() const;
    // Made on first use and owned for the window's life.
    PreferenceViewController* preferenceViewController();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void windowDidLoad();

    std::unique_ptr<Ui::PreferenceWIndowController> ui_;
    PreferenceViewController* preferenceViewController_ = nullptr;
    bool placed_ = false;
};

// Registers the preferences window with the main window's menu.
void registerPreferenceWindow();
