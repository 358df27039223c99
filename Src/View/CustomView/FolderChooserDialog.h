#pragma once

#include <QByteArrayList>
#include <QFileDialog>

// Qt's own folder chooser (its widgets, the same on every desktop), for one
// folder or several picked with Ctrl or Shift. Its answer is read on
// `accepted` through chosenFolders(): the dialog sends no URLs in folder
// mode, and the names it hands out are decoded text.
//
// The answer is what the name field names, as the dialog writes the names
// of the rows clicked there: the dialog's own selection keeps, besides the
// folder typed, every folder its completer passed through on the way.
//
// A folder whose name is not UTF-8 is accepted too: the dialog itself would
// look the decoded name up, find nothing and call the folder missing.
class FolderChooserDialog : public QFileDialog {
    Q_OBJECT
public:
    FolderChooserDialog(QWidget* parent, const QString& title, bool several);

    // The accepted folders as the system's bytes, in the order picked.
    QByteArrayList chosenFolders() const;

    void accept() override;

private:
    // The absolute paths the name field names; empty when it is empty.
    QStringList namedPaths() const;
    // The name field names only folders whose names are not UTF-8.
    bool namesUndecodedFolders() const;
    void allowUnlistedNames();
};
