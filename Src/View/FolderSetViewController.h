#pragma once

#include <functional>

#include <QByteArrayList>

#include "View/Extension/KPLExtensionView.h"

class QListWidget;
class QPushButton;

// The home screen: the folders to scan and the three function buttons. It
// reports the chosen folders through the root view controller's closures.
class FolderSetViewController : public ViewController {
    Q_OBJECT
public:
    // The chosen folders as the system's bytes (a name need not be UTF-8).
    using StartClosure = std::function<void(const QByteArrayList& folderPaths)>;

    explicit FolderSetViewController(QWidget* parent = nullptr);

    void setStartScanClosure(StartClosure closure) { startScanClosure_ = std::move(closure); }
    const StartClosure& startScanClosure() const { return startScanClosure_; }
    void setStartScanImagesClosure(StartClosure closure) { startScanImagesClosure_ = std::move(closure); }
    const StartClosure& startScanImagesClosure() const { return startScanImagesClosure_; }

    // Whether the scan now starting (and its removal) is a large-file one.
    static bool isScanLargeFile();
    static void setIsScanLargeFile(bool value);

    // Gives the main window its home size back, 700 × 420 about the former
    // frame's centre, and records the home screen in "CloseView".
    void setBackHomeWindowSize();
    static constexpr int homeWindowWidth = 700;
    static constexpr int homeWindowHeight = 420;

    QByteArrayList folderList() const { return folderList_; }
    // Adds folders not in the list yet.
    void addFolders(const QByteArrayList& paths);

    // The three function buttons.
    void startDuplicateScan();
    void startLargeFileScan();
    void startImageScan();

    QPushButton* addFolderButton() const { return addButton_; }
    QPushButton* duplicateButton() const { return duplicateButton_; }
    QPushButton* imageButton() const { return imageButton_; }
    QPushButton* largeButton() const { return largeButton_; }

private:
    void chooseFolders();
    void refresh();

    StartClosure startScanClosure_;
    StartClosure startScanImagesClosure_;
    QByteArrayList folderList_;
    QListWidget* list_;
    QPushButton* addButton_;
    QPushButton* removeButton_;
    QPushButton* duplicateButton_;
    QPushButton* imageButton_;
    QPushButton* largeButton_;
};
