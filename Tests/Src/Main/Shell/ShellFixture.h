#pragma once

#include <memory>

#include <QByteArrayList>
#include <QStringList>

#include "GA/QVDAEventObserver.h"
#include "TestSupport.h"

class FolderSetViewController;
class MainMenu;

// A fresh home, the network reported reachable, events recorded instead of
// sent, no helper program started, links and folders recorded instead of
// opened, and the program's quit recorded instead of done.
class ShellTest : public TempHomeTest {
public:
    ShellTest();
    ~ShellTest() override;

protected:
    void SetUp() override;
    void TearDown() override;

    // The main window as the program builds it, shown offscreen.
    MainMenu& nib();
    // Builds the window and runs both launch phases, with standard output
    // and error put back afterwards.
    MainMenu& launch();

    // Drops the folders on the home screen (those not yet listed) and
    // presses one of its function buttons; returns once the scan screen
    // it starts is up (the button first checks, off the main thread, that
    // a folder still exists).
    void scanFromHome(const QByteArrayList& folders, void (FolderSetViewController::*button)());

    QString configPlist() const;
    QString terminationStatus() const;
    QString supportFolder() const;

    std::unique_ptr<QVDAEventRecorder> recorder;
    static QStringList opened;
    static int quitCount;

private:
    std::unique_ptr<MainMenu> nib_;
};

// Keeps standard output and error and puts them back when it goes.
class SavedOutput {
public:
    SavedOutput();
    ~SavedOutput();

private:
    int out_;
    int err_;
};
