#pragma once

#include "Manager/UserPrompter.h"

// Asks the engines' questions with the sheet dialog over the main window.
// The shell installs it with UserPrompter::setShared at launch and clears it
// before the windows go away.
class SheetUserPrompter final : public UserPrompter {
public:
    void ask(Kind kind, const QString& message, const QString& firstTitle, const QString& secondTitle,
             std::function<void(int)> completion) override;
};
