// The White List page: three categories on the left, the chosen category's
// paths on the right, add and delete below.

#include "PreferenceViewController.h"

#include "ui_PreferenceViewController.h"

#include "PreferenceViewControllerPrivate.h"
#include "WhiteListDetailControllerView.h"
#include "WhiteListTypeControllerView.h"

#include "Foundation/Bundle.h"
#include "Foundation/ResourceValues.h"
#include "Main/Utilities.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTImage.h"
#include "QVLibrary/RYTView.h"
#include "Window/SheetWindowController.h"

#include <sys/stat.h>

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

using namespace PreferenceLook;

namespace {

// The file dialog's own modes take either files or folders; a white list
// takes both, several at once. The dialog's Open keeps whatever is selected
// instead of entering a selected folder (a double click still enters it).
class WhiteListChooserDialog : public QFileDialog {
public:
    explicit WhiteListChooserDialog(QWidget* parent)
        : QFileDialog(parent)
    {
        setOption(QFileDialog::DontUseNativeDialog, true);
        setFileMode(QFileDialog::ExistingFiles);
        setAcceptMode(QFileDialog::AcceptOpen);
        setLabelText(QFileDialog::Accept, localized("Add"));
        // The dialog renames its button "Open" whenever a folder is selected,
        // as if a click would enter it; here the click takes the folder.
        const auto keepLabel = [this] {
            auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            QPushButton* add = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
            if (add && add->text() != localized("Add")) {
                add->setText(localized("Add"));
            }
        };
        for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
            if (view->selectionModel()) {
                connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, keepLabel);
            }
        }
        if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            connect(name, &QLineEdit::textChanged, this, keepLabel);
        }
        connect(this, &QFileDialog::directoryEntered, this, keepLabel);
    }

    QStringList chosen;

    void accept() override
    {
        const QStringList selected = selectedFiles();
        if (selected.isEmpty()) {
            return;
        }
        chosen = selected;
        QDialog::accept();
    }
};

void chooseWithFileDialog(QWidget* parent, std::function<void(bool, const QStringList&)> answer)
{
    auto* dialog = new WhiteListChooserDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setDirectory(QDir::homePath());
    dialog->setWindowTitle(localized("Add to White List"));
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, answer = std::move(answer)](int result) {
        answer(result == QDialog::Accepted, dialog->chosen);
    });
    dialog->open();
}

PreferenceViewController::PathChooser& pathChooser()
{
    static PreferenceViewController::PathChooser chooser;
    return chooser;
}

// How a chosen path would fare as a white-list entry. The scans match it by
// the bytes of its name, and a file dialog hands out decoded names: a name
// that is not UTF-8 comes back with replacement characters and is looked up
// on disk again. Two names that decode alike leave no way to tell which was
// meant.
enum class PathCheck { ok, unreadableName, missing };

PathCheck checkChosenPath(const QString& path, QByteArray& bytes)
{
    bytes = FilePath::onDisk(QFile::encodeName(path));
    struct stat st {};
    if (::lstat(bytes.constData(), &st) == 0) {
        return PathCheck::ok;
    }
    if (path.contains(QChar::ReplacementCharacter) || QFile::decodeName(QFile::encodeName(path)) != path) {
        return PathCheck::unreadableName;
    }
    return PathCheck::missing;
}

}  // namespace

void PreferenceViewController::setPathChooserForTesting(PathChooser chooser)
{
    pathChooser() = std::move(chooser);
}

void PreferenceViewController::setBoxBorder(QWidget* box, bool bordered)
{
    // Its colour follows the appearance with the window's other colours.
    static_cast<RYTView*>(box)->setBorderWidth(bordered ? 1.0 : 0.0);
    box->setProperty("bordered", bordered);
}

void PreferenceViewController::refreshPathList(std::shared_ptr<PerferenceInfo> settings)
{
    WhiteListDetailControllerView* paths = whiteListDetailView();
    paths->setWhiteListTypeIndex(whiteListFileTypeView()->selectIndex());
    paths->setPreferenceInfo(std::move(settings));
    paths->reloadData();
}

void PreferenceViewController::whiteListViewInit()
{
    ui_->windowTitle->setText(localized("White List"));
    WhiteListTypeControllerView* types = whiteListFileTypeView();
    WhiteListDetailControllerView* paths = whiteListDetailView();
    types->setSelectIndex(0);
    paths->setWhiteListTypeIndex(types->selectIndex());
    setBoxBorder(ui_->whiteFileTypeBox, true);
    reloadSettings();
    setTextColor(ui_->whiteListTipLabel, assetColor(QStringLiteral("PreferenceDefaultColor")));
    ui_->whiteListTipLabel->setText(localized("Please select folders or files to exclude from scanning."));
    ui_->addFileButton->setButtonStateImage(RYTImage::named(QStringLiteral("addFile")), QIcon(), QIcon());
    ui_->deleteFileButton->setButtonStateImage(RYTImage::named(QStringLiteral("deleteFile")), QIcon(), QIcon());
    ui_->addFileButton->setCornerRadius(0);
    ui_->deleteFileButton->setCornerRadius(0);
    ui_->addFileButton->setToolTip(localized("Add"));
    ui_->deleteFileButton->setToolTip(localized("Delete"));

    for (auto [box, view] : {std::pair<QWidget*, QWidget*>{ui_->whiteFileTypeBox, types},
                             std::pair<QWidget*, QWidget*>{ui_->whiteListBox, paths}}) {
        if (!box->layout()) {
            auto* layout = new QVBoxLayout(box);
            layout->setContentsMargins(1, 1, 1, 1);
            layout->setSpacing(0);
        }
        if (box->layout()->indexOf(view) < 0) {
            box->layout()->addWidget(view);
        }
        view->show();
    }

    QPointer<PreferenceViewController> self(this);
    types->clickBlock = [self] {
        if (self) {
            self->categoryClick();
        }
    };
    paths->clickBlock = [self] {
        if (self) {
            self->pathClick();
        }
    };
    // Both lists show what they hold now: the categories with Duplicate
    // Files chosen, the paths as the file was just read.
    types->listView()->reloadData();
    refreshPathList(preferenceInfo());
}

void PreferenceViewController::categoryClick()
{
    if (whiteListFileTypeView()->selectIndex() == -1) {
        setBoxBorder(ui_->whiteFileTypeBox, false);
    } else {
        setBoxBorder(ui_->whiteFileTypeBox, true);
        setBoxBorder(ui_->whiteListBox, false);
    }
    refreshPathList(freshSettings());
}

void PreferenceViewController::pathClick()
{
    if (whiteListDetailView()->selectIndex() == -1) {
        setBoxBorder(ui_->whiteListBox, false);
        return;
    }
    setBoxBorder(ui_->whiteListBox, true);
    setBoxBorder(ui_->whiteFileTypeBox, false);
}

void PreferenceViewController::addWhiteListPathAction()
{
    QPointer<PreferenceViewController> self(this);
    auto answer = [self](bool ok, const QStringList& chosen) {
        if (!self || !ok) {
            return;
        }
        self->addChosenPaths(chosen);
    };
    QWidget* parent = window();
    if (pathChooser()) {
        pathChooser()(parent, std::move(answer));
    } else {
        chooseWithFileDialog(parent, std::move(answer));
    }
}

void PreferenceViewController::addChosenPaths(const QStringList& chosen)
{
    const PreferenceActionScope scope = beginAction();
    const int category = whiteListFileTypeView()->selectIndex();
    QStringList unreadable;
    QStringList missing;
    if (category >= 0 && category < WhiteListDetailControllerView::categoryCount) {
        PerferenceInfo& settings = *preferenceInfo();
        QStringList list = WhiteListDetailControllerView::paths(settings, category);
        for (const QString& path : chosen) {
            QByteArray bytes;
            switch (checkChosenPath(path, bytes)) {
            case PathCheck::unreadableName:
                unreadable.append(path);
                continue;
            case PathCheck::missing:
                missing.append(path);
                continue;
            case PathCheck::ok:
                break;
            }
            // Kept as the engines read it back: a UTF-8 name is its own
            // text, any other its file URL.
            const QString entry = FilePath::storedText(bytes);
            if (!list.contains(entry)) {
                list.append(entry);
            }
        }
        WhiteListDetailControllerView::setPaths(settings, category, list);
        save();
    }
    // The settings in hand are what the file now holds (or is about to):
    // read back they would cost a parse of every path.
    refreshPathList(preferenceInfo());

    if (!unreadable.isEmpty() || !missing.isEmpty()) {
        QStringList parts;
        if (!unreadable.isEmpty()) {
            parts.append(localized("Not added, because its name is not valid text and another item's name reads "
                                   "the same, so a scan could not tell them apart:") +
                         QLatin1Char('\n') + unreadable.join(QLatin1Char('\n')));
        }
        if (!missing.isEmpty()) {
            parts.append(localized("Not added, because it no longer exists:") + QLatin1Char('\n') +
                         missing.join(QLatin1Char('\n')));
        }
        showNotice(parts.join(QStringLiteral("\n\n")));
    }
}

void PreferenceViewController::deleteWhiteListPathAction()
{
    const PreferenceActionScope scope = beginAction();
    WhiteListDetailControllerView* paths = whiteListDetailView();
    index_ = paths->selectIndex();
    if (index_ < 0) {
        return;
    }
    const int category = whiteListFileTypeView()->selectIndex();
    bool outside = false;
    if (category >= 0 && category < WhiteListDetailControllerView::categoryCount) {
        PerferenceInfo& settings = *preferenceInfo();
        QStringList list = WhiteListDetailControllerView::paths(settings, category);
        if (index_ < list.size()) {
            list.removeAt(index_);
            WhiteListDetailControllerView::setPaths(settings, category, list);
            index_ = -1;
            save();
        } else {
            // The selection came from another category: there is no such
            // row here, so nothing goes and nothing stays selected.
            outside = true;
            index_ = -1;
        }
    }
    paths->setSelectIndex(outside ? -1 : paths->selectIndex() - 1);
    refreshPathList(preferenceInfo());
    if (paths->selectIndex() == -1) {
        setBoxBorder(ui_->whiteListBox, false);
    }
}
