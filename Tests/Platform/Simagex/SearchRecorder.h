#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Simagex.h"

// Runs one search through the C interface and keeps what the callbacks said.
struct SearchRecord {
    struct Progress {
        int type;
        double ratio;
        long long total;
        std::string path;
    };
    int code = -1;
    std::vector<Progress> progress;
    // source -> members in the order reported
    std::map<std::string, std::vector<std::string>> groups;
    std::vector<std::string> reportedOrder;  // every member path as reported
    // What each member was when it was read, as reported: "device", "inode",
    // "size", "mtime_ns", "ctime_ns".
    std::map<std::string, std::map<std::string, std::string>> identities;
    int finals = 0;
    bool badJson = false;

    // Groups as sets of file names (last component), for comparisons.
    std::set<std::set<std::string>> nameGroups() const;
};

struct SearchSetup {
    std::vector<std::string> folders;
    std::vector<std::string> whiteList;
    double threshold = 85;
    int32_t maxSize = 0;
    int32_t minSize = 0;
    bool skipHidden = false;
    std::vector<std::string> extensions;  // empty: the program's 18
    // Called on the collector thread with each progress report.
    std::function<void(const SearchRecord::Progress&)> onProgress;
};

const std::vector<std::string>& programExtensions();
SearchRecord runSearch(const SearchSetup& setup);
// The same through a raw options buffer laid out byte by byte.
SearchRecord runSearchRaw(const SearchSetup& setup, const unsigned char* record);
