#pragma once

// The interface library's background-service hook. The program starts it
// once at launch and expects nothing back; on this platform there is no
// service to register, so starting only records that it was asked for.
class DaemonManager {
public:
    static DaemonManager& defaultManager();
    void startForDaemon();
    bool started() const { return started_; }

private:
    DaemonManager() = default;
    bool started_ = false;
};
