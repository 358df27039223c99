#include "FolderChooserDialog.h"

#include "Foundation/ResourceValues.h"
#include "View/Extension/KPLExtensionView.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

#include <sys/stat.h>

FolderChooserDialog::FolderChooserDialog(QWidget* parent, const QString& title, bool several)
    : QFileDialog(parent, title, QDir::homePath())
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setOption(QFileDialog::DontResolveSymlinks);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setDirectory(QDir::homePath());
    setSizeGripEnabled(true);
    if (several) {
        // Folder mode picks one; its list and detail views take more.
        for (const char* name : {"listView", "treeView"}) {
            if (auto* view = findChild<QAbstractItemView*>(QString::fromLatin1(name))) {
                view->setSelectionMode(QAbstractItemView::ExtendedSelection);
            }
        }
    }
    // The dialog turns its button off for a name it does not list, which a
    // name that is not UTF-8 never is; it comes back on where such a name
    // is a folder on disk. Connected after the dialog's own handlers, so it
    // has the last word.
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        connect(edit, &QLineEdit::textChanged, this, &FolderChooserDialog::allowUnlistedNames);
    }
    connect(this, &QFileDialog::directoryEntered, this, &FolderChooserDialog::allowUnlistedNames);
}

bool FolderChooserDialog::namesUndecodedFolders() const
{
    const QStringList named = namedPaths();
    if (named.isEmpty()) {
        return false;
    }
    for (const QString& path : named) {
        // Only a decoded name can differ from its bytes; any other name the
        // dialog judges itself.
        if (!path.contains(QChar::ReplacementCharacter)) {
            return false;
        }
        struct stat st {};
        const QByteArray bytes = FilePath::onDisk(QFile::encodeName(path));
        if (::stat(bytes.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            return false;
        }
    }
    return true;
}

void FolderChooserDialog::allowUnlistedNames()
{
    auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QPushButton* choose = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    if (choose && !choose->isEnabled() && namesUndecodedFolders()) {
        choose->setEnabled(true);
    }
}

QStringList FolderChooserDialog::namedPaths() const
{
    const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString text = edit ? edit->text() : QString();
    QStringList names;
    if (text.contains(QLatin1Char('"'))) {
        // Several rows: "first" "second" ...
        const QStringList tokens = text.split(QLatin1Char('"'));
        for (qsizetype i = 1; i < tokens.size(); i += 2) {
            names << tokens.at(i);
        }
    } else if (!text.isEmpty()) {
        names << text;
    }
    QStringList paths;
    for (QString name : std::as_const(names)) {
        if (name == QStringLiteral("~") || name.startsWith(QStringLiteral("~/"))) {
            name = QDir::homePath() + name.mid(1);
        }
        paths << (QDir::isAbsolutePath(name) ? name : directory().absoluteFilePath(name));
    }
    return paths;
}

QByteArrayList FolderChooserDialog::chosenFolders() const
{
    const QStringList named = namedPaths();
    if (named.isEmpty()) {
        // Nothing named: the folder shown, as the dialog answers then.
        return chosenPaths(this);
    }
    QByteArrayList paths;
    for (const QString& path : named) {
        const QByteArray bytes = FilePath::onDisk(QFile::encodeName(path));
        if (!paths.contains(bytes)) {
            paths << bytes;
        }
    }
    return paths;
}

void FolderChooserDialog::accept()
{
    // The dialog's own accept would call such a folder missing.
    if (namesUndecodedFolders()) {
        QDialog::accept();
        return;
    }
    QFileDialog::accept();
}
