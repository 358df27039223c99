#pragma once

#include <functional>

#include <QString>

#include "Foundation/Error.h"

// How the engines show a notice or ask a question without knowing about
// windows. The answer arrives through the completion closure on the main
// thread, exactly once. Answers follow the sheet dialog: a one-button notice
// (`determine`) answers 1; with two buttons the first title answers 1 and the
// second 0. When nothing can be shown (no main window), the completion gets
// the cancelling answer: 0 for two buttons, 1 for a notice, so a caller that
// waits for an answer is always resumed.
class UserPrompter {
public:
    enum class Kind { determine = 0, uncertain = 1, filterFlag = 2 };

    virtual ~UserPrompter() = default;

    // May be called from any thread.
    virtual void ask(Kind kind, const QString& message, const QString& firstTitle, const QString& secondTitle,
                     std::function<void(int)> completion) = 0;

    // The folder-does-not-exist notice the removal drivers show.
    void showContentFolderNotExist(std::function<void(int)> completion = nullptr);
    // The notice that the Trash cannot take files, with the reason `error`
    // gives (Trash::checkUsable).
    void showTrashUnusable(const Error& error, std::function<void(int)> completion = nullptr);

    static int cancellingAnswer(Kind kind) { return kind == Kind::determine ? 1 : 0; }

    // The prompter the engines use; without one set, every question gets its
    // cancelling answer. The owner clears it before it goes away.
    static UserPrompter& shared();
    static void setShared(UserPrompter* prompter);
};
