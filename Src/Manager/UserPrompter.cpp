#include "UserPrompter.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"

#include <atomic>

namespace {

// Used while no window can show anything: answers with the cancelling choice.
class SilentPrompter final : public UserPrompter {
public:
    void ask(Kind kind, const QString&, const QString&, const QString&, std::function<void(int)> completion) override
    {
        if (!completion) {
            return;
        }
        const int answer = cancellingAnswer(kind);
        DispatchQueue::main().async([completion = std::move(completion), answer] { completion(answer); });
    }
};

std::atomic<UserPrompter*> current{nullptr};

}  // namespace

void UserPrompter::showContentFolderNotExist(std::function<void(int)> completion)
{
    ask(Kind::determine,
        localized("The folder does not exist. Please choose another one. It may be moved, renamed or deleted."),
        localized("OK"), QString(), std::move(completion));
}

void UserPrompter::showTrashUnusable(const Error& error, std::function<void(int)> completion)
{
    ask(Kind::determine, error.localizedDescription(), localized("OK"), QString(), std::move(completion));
}

UserPrompter& UserPrompter::shared()
{
    static SilentPrompter silent;
    UserPrompter* p = current.load();
    return p ? *p : silent;
}

void UserPrompter::setShared(UserPrompter* prompter)
{
    current.store(prompter);
}
