#pragma once

#include <QString>

// The crash reporter's delegate; the program implements none of its optional
// calls, so there are none.
class BugsplatStartupManagerDelegate {
public:
    virtual ~BugsplatStartupManagerDelegate() = default;
};

// Started once at launch. From then on a fatal signal leaves a short crash
// note in the log folder before the process dies of it. Nothing is sent
// anywhere: the notes stay on this computer.
class BugsplatStartupManager {
public:
    static BugsplatStartupManager& sharedManager();

    void setAutoSubmitCrashReport(bool value) { autoSubmitCrashReport_ = value; }
    bool autoSubmitCrashReport() const { return autoSubmitCrashReport_; }
    void setDelegate(BugsplatStartupManagerDelegate* delegate) { delegate_ = delegate; }
    BugsplatStartupManagerDelegate* delegate() const { return delegate_; }
    void setAskUserDetails(bool value) { askUserDetails_ = value; }
    bool askUserDetails() const { return askUserDetails_; }

    // Installs the handler; notes go to the logger's folder unless a folder
    // was set. Starting twice changes nothing.
    void start();
    bool isStarted() const { return started_; }

    // Where the notes go (tests point it elsewhere before start()).
    void setCrashFolder(const QString& folder) { crashFolder_ = folder; }
    QString crashFolder() const;

    // Removes the handler again (tests).
    void stop();

private:
    BugsplatStartupManager() = default;

    bool autoSubmitCrashReport_ = false;
    bool askUserDetails_ = true;
    BugsplatStartupManagerDelegate* delegate_ = nullptr;
    bool started_ = false;
    QString crashFolder_;
};
