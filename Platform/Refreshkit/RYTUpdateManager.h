#pragma once

#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>

#include "RYTUpdateDialog.h"

// What a check ended with, handed to the respond block.
enum UpdateRespondType : long {
    UpdateRespondTypeNoUpdate = 0,       // the running version is the newest
    UpdateRespondTypeHasUpdate = 1,      // a newer version exists
    UpdateRespondTypeCheckFailed = 2,    // the server could not be asked
    UpdateRespondTypeQuitToUpdate = 3,   // the user chose to install; the program quits
};

// Starts update checks. This build has no update server to ask, so no check
// can find out whether a newer version exists: every check ends as one that
// could not be made, and never claims the running version is the newest. A
// visible check says so in the themed dialog; a silent one shows nothing.
// Either way the respond block gets the answer on the main thread once the
// check is over.
class RYTUpdateManager : public QObject {
    Q_OBJECT
public:
    explicit RYTUpdateManager(QObject* parent = nullptr);
    ~RYTUpdateManager() override;

    void setRespondBlock(std::function<void(long)> block) { respondBlock_ = std::move(block); }
    const std::function<void(long)>& respondBlock() const { return respondBlock_; }

    void startCheckUpdate(bool silent);
    // The window a visible check's dialog belongs to: it opens centred over
    // it and keeps it from input while open. Without one it stands alone.
    void setParentWindow(QWidget* window) { parentWindow_ = window; }

    // The server a check asks: the regional one when the configuration
    // selects it, else the default.
    QString checkURL() const;
    static QString defaultServerURL();

    // The dialog of the last visible check while it is open.
    RYTUpdateDialog* dialog() const { return dialog_; }
    int checkCount() const { return checkCount_; }

private:
    void finishCheck(bool silent);

    std::function<void(long)> respondBlock_;
    QPointer<RYTUpdateDialog> dialog_;
    QPointer<QWidget> parentWindow_;
    int checkCount_ = 0;
};
