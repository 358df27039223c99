#pragma once

#include <memory>

#include <QDateTime>
#include <QLabel>

#include "WindowController.h"

class RYTLinkTextField;

namespace Ui {
class AboutWindowController;
}

// The about window: brand, product name, version, build date, copyright, the
// legal notice and the website link. The brand and the names follow the
// distribution mark "WebMark" of the information list.
class AboutWindowController : public WindowController {
    Q_OBJECT
public:
    AboutWindowController();
    ~AboutWindowController() override;

    void windowDidLoad() override;

    // Shows the window centred over `centreOn` (or the screen), application
    // modal, and returns at once; closing the window ends the modal state.
    void runModal(QWidget* centreOn);
    bool isRunningModal() const;

    static QString displayDate(const QDateTime& date);

    RYTLinkTextField* websiteLabel() const;
    QLabel* version() const;
    QLabel* date() const;
    QLabel* copyright() const;
    QLabel* tipLabel() const;
    QLabel* themeLabel() const;
    QLabel* nameLabel() const;

signals:
    // The window is closing; the modal state has ended.
    void windowWillClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::AboutWindowController> ui_;
};

// A text that opens the maker's home page when clicked.
class LinkTextField : public QLabel {
    Q_OBJECT
public:
    explicit LinkTextField(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
