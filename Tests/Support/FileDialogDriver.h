#pragma once

#include <chrono>

#include <QString>
#include <QStringList>

class QAbstractItemView;
class QFileDialog;
class QPushButton;

// Drives Qt's own widget-based file dialog the way a user does: typing into
// its name field, clicking rows of its list (Ctrl for more than one) and
// pressing its buttons with the mouse. A chooser's answer then comes from
// whatever the dialog itself sends on accept, never from a signal a test
// emits in its place.
namespace FileDialogDriver {

// The file dialog now shown (the last one opened when there are several),
// waited for; null when none shows within the timeout.
QFileDialog* waitForDialog(std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Shows `folder` in the dialog and waits until its entries are listed.
bool showFolder(QFileDialog* dialog, const QString& folder);

// Replaces the text of the dialog's name field by typing `text` key by key
// into the active dialog, as its completer sees it; its suggestion list is
// then closed.
void typeName(QFileDialog* dialog, const QString& text);

// The view the dialog shows (its list or its detail view).
QAbstractItemView* shownView(QFileDialog* dialog);

// Clicks the rows of these entries of the folder shown: the first plainly,
// the others with Ctrl held. Waits for the entries to be listed; false when
// one never is (the dialog lists no name that is not UTF-8: type those).
bool selectNames(QFileDialog* dialog, const QStringList& names);

// The dialog's accept button (its Open or Save button, whatever its label).
QPushButton* acceptButton(QFileDialog* dialog);
QPushButton* cancelButton(QFileDialog* dialog);

// Clicks the accept (or cancel) button with the mouse; false when it is
// missing or disabled, so nothing was pressed.
bool pressAccept(QFileDialog* dialog);
bool pressCancel(QFileDialog* dialog);

}  // namespace FileDialogDriver
