#include "FileDialogDriver.h"

#include "TestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace FileDialogDriver {

namespace {

QModelIndex rowNamed(QAbstractItemView* view, const QString& name)
{
    QAbstractItemModel* model = view->model();
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < model->rowCount(root); ++row) {
        const QModelIndex index = model->index(row, 0, root);
        if (index.data(QFileSystemModel::FileNameRole).toString() == name) {
            return index;
        }
    }
    return {};
}

void click(QWidget* widget, const QPoint& at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(widget, Qt::LeftButton, modifiers, at);
}

QPushButton* buttonOf(QFileDialog* dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog ? dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")) : nullptr;
    return box ? box->button(which) : nullptr;
}

bool press(QPushButton* button)
{
    if (!button || !button->isVisible() || !button->isEnabled()) {
        return false;
    }
    click(button, button->rect().center());
    return true;
}

}  // namespace

QFileDialog* waitForDialog(std::chrono::milliseconds timeout)
{
    QFileDialog* found = nullptr;
    waitUntil(
        [&] {
            found = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
                    found = dialog;
                }
            }
            return found != nullptr;
        },
        timeout);
    return found;
}

bool showFolder(QFileDialog* dialog, const QString& folder)
{
    dialog->setDirectory(folder);
    QAbstractItemView* view = shownView(dialog);
    if (!view) {
        return false;
    }
    const QString wanted = QDir(folder).absolutePath();
    return waitUntil([&] {
        auto* model = qobject_cast<QFileSystemModel*>(view->model());
        return model && model->filePath(view->rootIndex()) == wanted && !model->canFetchMore(view->rootIndex());
    });
}

void typeName(QFileDialog* dialog, const QString& text)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit) {
        ADD_FAILURE() << "the dialog has no name field";
        return;
    }
    // The dialog's completion follows the field only while it has the focus.
    if (!QTest::qWaitForWindowExposed(dialog)) {
        ADD_FAILURE() << "the dialog is not shown";
    }
    dialog->activateWindow();
    if (!QTest::qWaitForWindowActive(dialog)) {
        ADD_FAILURE() << "the dialog does not become active";
    }
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, char(c.unicode()));
        } else {
            // Beyond ASCII there is no key to name: the key's text alone.
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    // As a user who closes the suggestions to go on.
    if (QCompleter* completer = edit->completer(); completer && completer->popup()->isVisible()) {
        completer->popup()->hide();
    }
}

QAbstractItemView* shownView(QFileDialog* dialog)
{
    for (const char* name : {"treeView", "listView"}) {
        auto* view = dialog->findChild<QAbstractItemView*>(QString::fromLatin1(name));
        if (view && view->isVisible()) {
            return view;
        }
    }
    return nullptr;
}

bool selectNames(QFileDialog* dialog, const QStringList& names)
{
    QAbstractItemView* view = shownView(dialog);
    if (!view) {
        return false;
    }
    bool first = true;
    for (const QString& name : names) {
        QModelIndex index;
        if (!waitUntil([&] { return (index = rowNamed(view, name)).isValid(); })) {
            ADD_FAILURE() << "the dialog does not list " << name.toStdString();
            return false;
        }
        view->scrollTo(index);
        const QRect rect = view->visualRect(index);
        click(view->viewport(), rect.center(), first ? Qt::NoModifier : Qt::ControlModifier);
        first = false;
    }
    return true;
}

QPushButton* acceptButton(QFileDialog* dialog)
{
    QPushButton* open = buttonOf(dialog, QDialogButtonBox::Open);
    return open ? open : buttonOf(dialog, QDialogButtonBox::Save);
}

QPushButton* cancelButton(QFileDialog* dialog)
{
    return buttonOf(dialog, QDialogButtonBox::Cancel);
}

bool pressAccept(QFileDialog* dialog)
{
    return press(acceptButton(dialog));
}

bool pressCancel(QFileDialog* dialog)
{
    return press(cancelButton(dialog));
}

}  // namespace FileDialogDriver
