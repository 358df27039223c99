#pragma once

#include <functional>

#include <QObject>

#include "Model/DuplicateFiles.h"

// The check-box rules of the duplicate result panels, one set for the list
// and the preview panel alike. They protect the last copy: a group box never
// selects a group's first file, and ticking the last unticked file of a group
// asks first (unless the user said not to be asked again).
namespace DuplicateSelectionRules {

// The user default that skips the last-file question once set.
inline constexpr const char* completeScanKey = "CompleteScan";

// On when every file is selected, mixed when some are, off when none (and for
// a group without files).
ControlState computedState(const DuplicateFiles& group);

// A clicked group box whose control has already moved on to `advancedState`
// (-1, 0 or 1): a mixed box stays mixed, anything else becomes off. The first
// file is cleared and every other file follows the box; the group takes the
// box's state, which is returned for the box to show.
ControlState applyGroupBox(DuplicateFiles& group, int advancedState);

// A file box the user set to `on`. The file takes the box's value and the
// group the state that follows. When this ticks the group's last unticked
// file, the last-file question comes first (unless "CompleteScan" is set);
// its check box is written to "CompleteScan" on either answer. "Cancel", or
// no window to ask over, undoes the tick: the file is cleared and the group
// keeps its state.
//
// `done` runs on the main thread with true when the change stands (the group
// has its new state) and false when it was undone: at once when no question
// is asked, else after the answer, and, when a `context` is given, only while it exists.
void applyFileBox(const DuplicateFilesPtr& group, const FileInfoPtr& file, bool on, QObject* context,
                  std::function<void(bool applied)> done);

// True while a last-file question waits for its answer.
bool isAsking();

}  // namespace DuplicateSelectionRules
