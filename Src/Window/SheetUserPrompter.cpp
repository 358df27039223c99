#include "SheetUserPrompter.h"

#include "ModalOverlay.h"
#include "SheetWindowController.h"

#include "Foundation/Dispatch.h"

void SheetUserPrompter::ask(Kind kind, const QString& message, const QString& firstTitle, const QString& secondTitle,
                            std::function<void(int)> completion)
{
    // Questions may come from engine threads; windows live on the main one.
    DispatchQueue::main().async([kind, message, firstTitle, secondTitle, completion = std::move(completion)] {
        QWidget* parent = ModalOverlay::applicationMainWindow();
        if (!parent) {
            if (completion) {
                completion(cancellingAnswer(kind));
            }
            return;
        }
        SheetWindowController::beginSheet(static_cast<SheetWindowController::SheetActionType>(kind), message,
                                          firstTitle, secondTitle, parent, nullptr, completion);
    });
}
