#pragma once

#include <QWidget>

// The window of the feature guide's window form. Every left press anywhere
// in it, or on the veil it lies on, is counted in one count shared by all
// such windows for the whole run and announced as "MyClickNotification"
// before the press goes on to the guide's views as usual. A key that moves
// the guide on counts as such a press.
class ClickWindow : public QWidget {
    Q_OBJECT
public:
    explicit ClickWindow(QWidget* parent = nullptr);
    ~ClickWindow() override;

    static int clickCount();
    static QString clickNotification();
    // One more press: counted, then announced.
    static void countClick();
    // A step back through the pages takes the last press off the count, so
    // the next one shows the page that followed again. Never below 0.
    static void uncountClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    bool isOurs(const QObject* receiver) const;
};
