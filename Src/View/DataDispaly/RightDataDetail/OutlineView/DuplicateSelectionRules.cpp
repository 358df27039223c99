#include "DuplicateSelectionRules.h"

#include "Foundation/Bundle.h"
#include "Foundation/UserDefaults.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QPointer>

#include <memory>

namespace DuplicateSelectionRules {

namespace {
int asking = 0;
}

ControlState computedState(const DuplicateFiles& group)
{
    const int count = group.fileCount();
    const int selected = group.selectedCount();
    if (count > 0 && selected == count) {
        return ControlState::on;
    }
    return selected > 0 ? ControlState::mixed : ControlState::off;
}

ControlState applyGroupBox(DuplicateFiles& group, int advancedState)
{
    const ControlState state = advancedState == int(ControlState::mixed) ? ControlState::mixed : ControlState::off;
    const QList<FileInfoPtr>& files = group.infos();
    for (qsizetype i = 0; i < files.size(); ++i) {
        files[i]->setSelected(i > 0 && state == ControlState::mixed);
    }
    group.setSelectState(state);
    return state;
}

bool isAsking()
{
    return asking > 0;
}

void applyFileBox(const DuplicateFilesPtr& group, const FileInfoPtr& file, bool on, QObject* context,
                  std::function<void(bool applied)> done)
{
    if (!group || !file) {
        return;
    }
    file->setSelected(on);
    const ControlState state = computedState(*group);
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const bool lastFile = on && state == ControlState::on;
    if (!lastFile || defaults.boolForKey(QString::fromLatin1(completeScanKey))) {
        group->setSelectState(state);
        if (done) {
            done(true);
        }
        return;
    }

    QWidget* window = ModalOverlay::applicationMainWindow();
    if (!window) {
        // Nobody can be asked: the engine would remove the last copy of
        // this content unasked, so the tick does not stand.
        file->setSelected(false);
        if (done) {
            done(false);
        }
        return;
    }

    // The sheet's check box writes here until the answer arrives.
    auto dontAskAgain = std::make_shared<bool>(defaults.boolForKey(QString::fromLatin1(completeScanKey)));
    QString message = localized("Are you sure to select the last file in \"%@\" to remove duplicates?");
    message.replace(QStringLiteral("%@"), file->name());
    QPointer<QObject> guard(context);
    const bool bound = context != nullptr;
    ++asking;
    SheetWindowController::beginSheet(
        SheetWindowController::SheetActionType::filterFlag, message, localized("Yes"), localized("Cancel"), window,
        dontAskAgain.get(), [group, file, dontAskAgain, guard, bound, done = std::move(done)](int response) {
            --asking;
            UserDefaults::standardUserDefaults().setBool(*dontAskAgain, QString::fromLatin1(completeScanKey));
            const bool yes = response == 1;
            if (yes) {
                // Read again: the answer may come after other changes.
                group->setSelectState(computedState(*group));
            } else {
                file->setSelected(false);
            }
            if ((guard || !bound) && done) {
                done(yes);
            }
        });
}

}  // namespace DuplicateSelectionRules
