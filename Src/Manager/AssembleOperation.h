#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "Foundation/FileManager.h"
#include "Foundation/OperationQueue.h"
#include "Model/DuplicateFiles.h"

class WalkTable;
class GroupReading;

// The MD5 digest of a regular file's whole content as 32 lower-case hex
// digits; "0" for size 0 (never opened). Nothing when the item is not the
// regular file the walk saw, cannot be opened, or its reading ended before
// `size` bytes (or went past them): such a file has no digest.
std::optional<QString> md5File(const QByteArray& path, int64_t size);
// The same for an application bundle: the digest of its sorted relative
// paths and of every item's content; nothing unless every file inside was
// read, and read unchanged. `members` gets what the bundle held as its
// members were met, before their bytes were read.
std::optional<QString> md5Bundle(const QByteArray& path, MembersDigest* members = nullptr);

// Tests make reads fail: the hook sees each path before it is opened and
// returns true to fail its reading. Nothing set means no failures.
void setMd5ReadFailureForTesting(std::function<bool(const QByteArray& path)> hook);

// What decides how a group on a spinning disk is read; tests replace it.
struct ReadPlanForTesting {
    // Whether the whole content of the file is in memory.
    std::function<bool(const QByteArray& path)> resident;
    // Where the file starts on the disk.
    std::function<uint64_t(const QByteArray& path)> firstBlock;
    // Told when an operation starts reading its group: whether it runs where
    // several groups are read at once, and its files in reading order.
    std::function<void(bool parallel, const QList<QByteArray>& paths)> reading;
    // Told of each file whose whole content is hashed.
    std::function<void(const QByteArray& path)> wholeReading;
};
void setReadPlanForTesting(ReadPlanForTesting plan);

// Groups the files of one size by content digest. Each set of two or more
// equal digests is handed to assembleBlock as one group sorted by path.
//
// Files whose size exceeds two edges are first compared by their first and
// last 4 KiB; only those whose edges match another file's are read in full
// and hashed. A group is still exactly a set of equal size and equal MD5.
class AssembleOperation : public Operation {
public:
    // The files `begin` .. `begin + count` of the table, all of `size` bytes.
    AssembleOperation(std::shared_ptr<const WalkTable> table, uint32_t begin, uint32_t count, int64_t size);

    std::function<void(const DuplicateFilesPtr&)> assembleBlock;
    std::function<void(const QString& path)> assemblingBlock;
    // Polled before each file; the engine's stop flag.
    std::function<bool()> shouldStop;
    // Told, on the operation's thread, of the bytes read for the files'
    // whole contents as the reading goes on (in steps of several MiB).
    std::function<void(uint64_t bytes)> progressBlock;

    // On a spinning disk several groups may be read at once only when no
    // read has to move the head: with this set, the operation reads nothing
    // unless every file's content is in memory, and otherwise ends deferred,
    // with the order in which a one-at-a-time reading should take its files.
    void setResidentOnly(bool residentOnly) { residentOnly_ = residentOnly; }
    bool deferred() const { return deferred_.load(); }
    // The files still to read (table indices) in the order of their place on
    // the disk, and the group's place: its first file's first block. When
    // only their whole reading is left, their edges were compared already.
    const std::vector<uint32_t>& diskOrder() const { return diskOrder_; }
    std::pair<int, uint64_t> diskPlace() const { return diskPlace_; }
    bool deferredWholeOnly() const { return deferredWholeOnly_; }
    // Reads the files in this order (table indices) instead of the walk's;
    // with `wholeOnly`, these files are read in full and nothing else.
    void setReadOrder(std::vector<uint32_t> order, bool wholeOnly = false)
    {
        readOrder_ = std::move(order);
        wholeOnly_ = wholeOnly;
    }
    // Asks the kernel to start reading, without waiting for it, the edges of
    // the files this operation will compare first (nothing when only whole
    // readings are left). Called ahead of the operation, so the reads of a
    // one-at-a-time queue find their edges on the way or in memory instead
    // of waiting on the disk for each in turn.
    void prefetchEdges() const;
    // Whether its queue reads several groups at once (told to the read plan).
    bool parallelQueue = false;

protected:
    void main() override;

private:
    friend class GroupReading;
    void defer(const std::vector<uint32_t>& indices, bool wholeOnly);

    std::shared_ptr<const WalkTable> table_;
    uint32_t begin_;
    uint32_t count_;
    int64_t size_;
    bool residentOnly_ = false;
    std::atomic<bool> deferred_{false};
    std::vector<uint32_t> readOrder_;
    bool wholeOnly_ = false;
    bool deferredWholeOnly_ = false;
    std::vector<uint32_t> diskOrder_;
    std::pair<int, uint64_t> diskPlace_{0, 0};
};
