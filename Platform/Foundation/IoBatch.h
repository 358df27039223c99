#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <sys/types.h>

// File system calls handed to the kernel together: queued, then made in one
// go by run(). Through the kernel's submission ring (io_uring) a batch costs
// one entry into the kernel instead of one per call, which is most of what a
// call on a small or cached file costs. Where the ring is not offered (an
// older kernel, a sandbox that forbids it) or not wanted, run() makes the
// same calls one after the other, in the order queued; the answers are the
// same either way. A thread-sanitizer build never uses the ring.
//
// The calls of one batch run in no fixed order and may not depend on each
// other: what needs an answer (a descriptor to read) goes in the next batch.
// Pointers handed in (names, buffers) must stay valid until run() returns.
class IoBatch {
public:
    // `useRing` false: always one call after the other (for reads that must
    // follow each other in order, as on a disk that moves its head).
    explicit IoBatch(bool useRing = true);
    ~IoBatch();
    IoBatch(const IoBatch&) = delete;
    IoBatch& operator=(const IoBatch&) = delete;

    // A ring-backed batch of the calling thread, kept for its lifetime.
    static IoBatch& ofThisThread();
    bool usesRing() const { return ring_ != nullptr; }

    // Each returns the index of its answer: a descriptor or a byte count, or
    // -errno.
    size_t openAt(int dirFd, const char* name, int flags);
    // With `noWait`, a range not wholly in memory ends early or gives
    // -EAGAIN instead of waiting for the disk; a file on a file system that
    // cannot be asked that (tmpfs, many FUSE ones) is read as without it.
    size_t read(int fd, void* buffer, size_t length, int64_t offset, bool noWait);
    // Closed with the next run() (or when the batch goes); no answer.
    void closeLater(int fd);

    void run();
    int result(size_t index) const { return results_[index]; }
    size_t queued() const { return ops_.size(); }

    // Bytes read through the ring by every batch of the process: the
    // kernel's count of bytes read by read calls (rchar) does not see them.
    static uint64_t bytesReadThroughRing();

    // Tests: batches made afterwards make their calls one after the other.
    static void setRingAllowedForTesting(bool allowed);

private:
    struct Ring;
    enum class Kind : uint8_t { openAt, read, close };
    struct Op {
        Kind kind;
        bool noWait = false;
        int fd = -1;
        int flags = 0;
        const char* name = nullptr;
        void* buffer = nullptr;
        size_t length = 0;
        int64_t offset = 0;
    };

    size_t add(Op op);
    void runDirect();
    void runRing();

    std::unique_ptr<Ring> ring_;
    std::vector<Op> ops_;
    std::vector<int> results_;
};
