#include "FolderSetViewController.h"

#include "Foundation/Bundle.h"
#include "Foundation/ResourceValues.h"
#include "Foundation/UserDefaults.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <atomic>

namespace {
std::atomic<bool> g_isScanLargeFile{false};
}

bool FolderSetViewController::isScanLargeFile()
{
    return g_isScanLargeFile.load();
}

void FolderSetViewController::setIsScanLargeFile(bool value)
{
    g_isScanLargeFile.store(value);
}

FolderSetViewController::FolderSetViewController(QWidget* parent) : ViewController(parent)
{
    setObjectName(QStringLiteral("FolderSetViewController"));
    auto* hint = new QLabel(localized("Add the folders to scan, then choose what to look for."), this);
    hint->setWordWrap(true);
    list_ = new QListWidget(this);
    addButton_ = new QPushButton(localized("Add Folder…"), this);
    removeButton_ = new QPushButton(localized("Remove"), this);
    duplicateButton_ = new QPushButton(localized("Duplicate Files"), this);
    imageButton_ = new QPushButton(localized("Similar Images"), this);
    largeButton_ = new QPushButton(localized("Large Files"), this);

    connect(addButton_, &QPushButton::clicked, this, &FolderSetViewController::chooseFolders);
    connect(removeButton_, &QPushButton::clicked, this, [this] {
        const int row = list_->currentRow();
        if (row >= 0 && row < folderList_.size()) {
            folderList_.removeAt(row);
            refresh();
        }
    });
    connect(duplicateButton_, &QPushButton::clicked, this, &FolderSetViewController::startDuplicateScan);
    connect(imageButton_, &QPushButton::clicked, this, &FolderSetViewController::startImageScan);
    connect(largeButton_, &QPushButton::clicked, this, &FolderSetViewController::startLargeFileScan);

    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(addButton_);
    listButtons->addWidget(removeButton_);
    listButtons->addStretch(1);
    auto* functions = new QHBoxLayout;
    functions->addStretch(1);
    functions->addWidget(duplicateButton_);
    functions->addWidget(imageButton_);
    functions->addWidget(largeButton_);
    functions->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 12, 24, 16);
    layout->addWidget(hint);
    layout->addWidget(list_, 1);
    layout->addLayout(listButtons);
    layout->addSpacing(8);
    layout->addLayout(functions);
    refresh();
}

void FolderSetViewController::chooseFolders()
{
    // Opened without a nested loop; the answer arrives through the signal.
    auto* dialog = new QFileDialog(window(), localized("Choose folders to scan"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    connect(dialog, &QFileDialog::urlsSelected, this, [this](const QList<QUrl>& urls) {
        QByteArrayList paths;
        for (const QUrl& url : urls) {
            paths << FilePath::fromFileUrl(url);
        }
        addFolders(paths);
    });
    dialog->open();
}

void FolderSetViewController::addFolders(const QByteArrayList& paths)
{
    for (const QByteArray& path : paths) {
        if (!path.isEmpty() && !folderList_.contains(path)) {
            folderList_.append(path);
        }
    }
    refresh();
}

void FolderSetViewController::refresh()
{
    list_->clear();
    for (const QByteArray& path : folderList_) {
        list_->addItem(QFile::decodeName(path));
    }
    const bool any = !folderList_.isEmpty();
    removeButton_->setEnabled(any);
    duplicateButton_->setEnabled(any);
    imageButton_->setEnabled(any);
    largeButton_->setEnabled(any);
}

void FolderSetViewController::startDuplicateScan()
{
    if (folderList_.isEmpty()) {
        return;
    }
    setIsScanLargeFile(false);
    if (startScanClosure_) {
        startScanClosure_(folderList_);
    }
}

void FolderSetViewController::startLargeFileScan()
{
    if (folderList_.isEmpty()) {
        return;
    }
    setIsScanLargeFile(true);
    if (startScanClosure_) {
        startScanClosure_(folderList_);
    }
}

void FolderSetViewController::startImageScan()
{
    if (folderList_.isEmpty()) {
        return;
    }
    setIsScanLargeFile(false);
    if (startScanImagesClosure_) {
        startScanImagesClosure_(folderList_);
    }
}

void FolderSetViewController::setBackHomeWindowSize()
{
    UserDefaults::standardUserDefaults().setInteger(2, QStringLiteral("CloseView"));
    QWidget* mainWindow = window();
    if (mainWindow == this) {
        return;
    }
    // Let the window learn the home constraints before it is sized to them:
    // the size hints on the way up still carry the scan screen's until the
    // pending layout requests have run, innermost first.
    for (int pass = 0; pass < 8; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    if (mainWindow->layout()) {
        mainWindow->layout()->activate();
    }
    const QRect old = mainWindow->geometry();
    const QPoint center = old.center();
    QRect frame(0, 0, homeWindowWidth, homeWindowHeight);
    frame.moveCenter(center);
    mainWindow->setGeometry(frame);
}
