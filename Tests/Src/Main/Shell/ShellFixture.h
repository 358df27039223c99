#pragma once

#include <memory>

#include <QStringList>

#include "GA/QVDAEventObserver.h"
#include "TestSupport.h"

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
