#pragma once

#include <memory>

class RYTUpdateManager;

// Starts update checks: silently at launch, visibly from the menu. Every
// check themes the update dialog and sets its respond block again.
class UpdateManager {
public:
    static UpdateManager& default_();

    void checkUpdate(bool silent);

    RYTUpdateManager* updateManager() const { return updateManager_.get(); }

    // The answer that means the user quits to install an update.
    static constexpr long quitToUpdateRespondType = 3;
    // What the respond block does with an answer.
    static void respond(long type);

    // The regional edition's update server.
    static const char* regionalServerURL();

private:
    UpdateManager();
    std::unique_ptr<RYTUpdateManager> updateManager_;
};
