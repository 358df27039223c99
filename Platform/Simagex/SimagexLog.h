#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace simagex {

// The library's own log, "SimagexSDK.log" in the folder given at start-up.
// Lines are appended with a time stamp; safe from any thread. Before it is
// opened (or when it could not be) lines are dropped.
class SimagexLog {
public:
    static SimagexLog& shared();

    // Creates the folder when missing and opens the log; returns a result code.
    int open(const std::string& folder);
    void write(const std::string& line);
    // "[code N] <code text>: <detail>"
    void writeCode(int code, const std::string& detail);

private:
    std::mutex mutex_;
    FILE* file_ = nullptr;
};

}  // namespace simagex
