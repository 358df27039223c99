#include "IoBatch.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/io_uring.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// The thread sanitizer follows every descriptor from the call that made it
// to the one that closed it. Opens and closes the kernel makes from the ring
// never pass through it, so a number the kernel hands out again to another
// thread would look like one descriptor shared without synchronisation.
// Under that sanitizer the batch makes plain calls, which it sees.
#if defined(__SANITIZE_THREAD__)
constexpr bool kDescriptorsWatched = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kDescriptorsWatched = true;
#else
constexpr bool kDescriptorsWatched = false;
#endif
#else
constexpr bool kDescriptorsWatched = false;
#endif

std::atomic<bool> ringAllowed{true};
std::atomic<uint64_t> ringBytes{0};

// Calls in flight at once; a batch larger than this goes in turns.
constexpr unsigned kEntries = 256;

int enter(int fd, unsigned submit, unsigned wait)
{
    return int(syscall(__NR_io_uring_enter, fd, submit, wait, wait > 0 ? IORING_ENTER_GETEVENTS : 0, nullptr, 0));
}

// A read that waits for the disk: the byte count, or -errno.
int readPlainly(int fd, void* buffer, size_t length, int64_t offset)
{
    ssize_t answer = 0;
    do {
        answer = ::pread(fd, buffer, length, offset);
    } while (answer < 0 && errno == EINTR);
    return answer < 0 ? -errno : int(answer);
}

// Memory file systems (tmpfs) and many FUSE ones cannot be asked not to
// wait and refuse the question itself; their files are read all the same,
// plainly, rather than taken for unreadable.
bool refusedNoWait(int answer)
{
    return answer == -EOPNOTSUPP;
}

}  // namespace

struct IoBatch::Ring {
    int fd = -1;
    void* rings = MAP_FAILED;
    size_t ringsSize = 0;
    io_uring_sqe* sqes = nullptr;
    size_t sqesSize = 0;
    unsigned* sqHead = nullptr;
    unsigned* sqTail = nullptr;
    unsigned sqMask = 0;
    unsigned* sqArray = nullptr;
    unsigned* cqHead = nullptr;
    unsigned* cqTail = nullptr;
    unsigned cqMask = 0;
    io_uring_cqe* cqes = nullptr;
    unsigned entries = 0;

    ~Ring()
    {
        if (sqes) {
            munmap(sqes, sqesSize);
        }
        if (rings != MAP_FAILED) {
            munmap(rings, ringsSize);
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }

    // Whether the kernel runs every call this batch makes.
    bool supportsOps() const
    {
        const size_t size = sizeof(io_uring_probe) + 256 * sizeof(io_uring_probe_op);
        std::vector<char> bytes(size, 0);
        auto* probe = reinterpret_cast<io_uring_probe*>(bytes.data());
        if (syscall(__NR_io_uring_register, fd, IORING_REGISTER_PROBE, probe, 256) < 0) {
            return false;
        }
        for (int op : {IORING_OP_OPENAT, IORING_OP_READ, IORING_OP_CLOSE}) {
            if (op >= probe->ops_len || !(probe->ops[op].flags & IO_URING_OP_SUPPORTED)) {
                return false;
            }
        }
        return true;
    }

    static std::unique_ptr<Ring> make()
    {
        auto ring = std::make_unique<Ring>();
        io_uring_params params{};
        // One thread submits and waits; completions are run when it waits.
        params.flags = IORING_SETUP_SUBMIT_ALL | IORING_SETUP_COOP_TASKRUN | IORING_SETUP_SINGLE_ISSUER |
                       IORING_SETUP_DEFER_TASKRUN;
        ring->fd = int(syscall(__NR_io_uring_setup, kEntries, &params));
        if (ring->fd < 0 && errno == EINVAL) {
            params = {};
            ring->fd = int(syscall(__NR_io_uring_setup, kEntries, &params));
        }
        if (ring->fd < 0 || !(params.features & IORING_FEAT_SINGLE_MMAP) || !(params.features & IORING_FEAT_NODROP)) {
            return nullptr;
        }
        ::fcntl(ring->fd, F_SETFD, FD_CLOEXEC);
        ring->ringsSize = std::max<size_t>(params.sq_off.array + params.sq_entries * sizeof(unsigned),
                                           params.cq_off.cqes + params.cq_entries * sizeof(io_uring_cqe));
        ring->rings = mmap(nullptr, ring->ringsSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, ring->fd,
                           IORING_OFF_SQ_RING);
        if (ring->rings == MAP_FAILED) {
            return nullptr;
        }
        ring->sqesSize = params.sq_entries * sizeof(io_uring_sqe);
        void* sqes = mmap(nullptr, ring->sqesSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, ring->fd,
                          IORING_OFF_SQES);
        if (sqes == MAP_FAILED) {
            return nullptr;
        }
        ring->sqes = static_cast<io_uring_sqe*>(sqes);
        auto* base = static_cast<char*>(ring->rings);
        ring->sqHead = reinterpret_cast<unsigned*>(base + params.sq_off.head);
        ring->sqTail = reinterpret_cast<unsigned*>(base + params.sq_off.tail);
        ring->sqMask = *reinterpret_cast<unsigned*>(base + params.sq_off.ring_mask);
        ring->sqArray = reinterpret_cast<unsigned*>(base + params.sq_off.array);
        ring->cqHead = reinterpret_cast<unsigned*>(base + params.cq_off.head);
        ring->cqTail = reinterpret_cast<unsigned*>(base + params.cq_off.tail);
        ring->cqMask = *reinterpret_cast<unsigned*>(base + params.cq_off.ring_mask);
        ring->cqes = reinterpret_cast<io_uring_cqe*>(base + params.cq_off.cqes);
        ring->entries = params.sq_entries;
        if (!ring->supportsOps()) {
            return nullptr;
        }
        return ring;
    }
};

IoBatch::IoBatch(bool useRing)
{
    if (useRing && !kDescriptorsWatched && ringAllowed.load(std::memory_order_relaxed)) {
        ring_ = Ring::make();
    }
}

IoBatch::~IoBatch()
{
    for (const Op& op : ops_) {
        if (op.kind == Kind::close) {
            ::close(op.fd);
        }
    }
}

IoBatch& IoBatch::ofThisThread()
{
    thread_local IoBatch batch(true);
    return batch;
}

uint64_t IoBatch::bytesReadThroughRing()
{
    return ringBytes.load(std::memory_order_relaxed);
}

void IoBatch::setRingAllowedForTesting(bool allowed)
{
    ringAllowed.store(allowed, std::memory_order_relaxed);
}

size_t IoBatch::add(Op op)
{
    ops_.push_back(op);
    return ops_.size() - 1;
}

size_t IoBatch::openAt(int dirFd, const char* name, int flags)
{
    Op op{Kind::openAt};
    op.fd = dirFd;
    op.name = name;
    op.flags = flags;
    return add(op);
}

size_t IoBatch::read(int fd, void* buffer, size_t length, int64_t offset, bool noWait)
{
    Op op{Kind::read};
    op.fd = fd;
    op.buffer = buffer;
    op.length = length;
    op.offset = offset;
    op.noWait = noWait;
    return add(op);
}

void IoBatch::closeLater(int fd)
{
    if (fd >= 0) {
        Op op{Kind::close};
        op.fd = fd;
        add(op);
    }
}

void IoBatch::run()
{
    results_.assign(ops_.size(), 0);
    if (!ops_.empty()) {
        if (ring_) {
            runRing();
        } else {
            runDirect();
        }
    }
    ops_.clear();
}

void IoBatch::runDirect()
{
    for (size_t i = 0; i < ops_.size(); ++i) {
        const Op& op = ops_[i];
        long answer = 0;
        switch (op.kind) {
        case Kind::openAt:
            answer = ::openat(op.fd, op.name, op.flags);
            break;
        case Kind::read: {
            int result = 0;
            if (op.noWait) {
                iovec piece{op.buffer, op.length};
                do {
                    answer = ::preadv2(op.fd, &piece, 1, op.offset, RWF_NOWAIT);
                } while (answer < 0 && errno == EINTR);
                result = answer < 0 ? -errno : int(answer);
            }
            if (!op.noWait || refusedNoWait(result)) {
                result = readPlainly(op.fd, op.buffer, op.length, op.offset);
            }
            results_[i] = result;
            continue;
        }
        case Kind::close:
            ::close(op.fd);
            break;
        }
        results_[i] = answer < 0 ? -errno : int(answer);
    }
}

void IoBatch::runRing()
{
    Ring& r = *ring_;
    std::vector<bool> answered(ops_.size(), false);
    uint64_t bytes = 0;
    size_t next = 0;      // the next call to put in the ring
    unsigned queued = 0;  // put in the ring, not yet taken by the kernel
    unsigned flying = 0;  // taken, not yet answered
    while (next < ops_.size() || queued > 0 || flying > 0) {
        unsigned tail = *r.sqTail;
        while (next < ops_.size() && queued + flying < r.entries) {
            const Op& op = ops_[next];
            io_uring_sqe& e = r.sqes[tail & r.sqMask];
            std::memset(&e, 0, sizeof e);
            e.user_data = next;
            switch (op.kind) {
            case Kind::openAt:
                e.opcode = IORING_OP_OPENAT;
                e.fd = op.fd;
                e.addr = reinterpret_cast<uintptr_t>(op.name);
                e.open_flags = uint32_t(op.flags);
                break;
            case Kind::read:
                e.opcode = IORING_OP_READ;
                e.fd = op.fd;
                e.addr = reinterpret_cast<uintptr_t>(op.buffer);
                e.len = uint32_t(op.length);
                e.off = uint64_t(op.offset);
                e.rw_flags = op.noWait ? RWF_NOWAIT : 0;
                break;
            case Kind::close:
                e.opcode = IORING_OP_CLOSE;
                e.fd = op.fd;
                break;
            }
            r.sqArray[tail & r.sqMask] = tail & r.sqMask;
            ++tail;
            ++next;
            ++queued;
        }
        __atomic_store_n(r.sqTail, tail, __ATOMIC_RELEASE);
        // Wait for every answer once all are in; one at least while some
        // still wait for room.
        const unsigned wait = next == ops_.size() ? queued + flying : 1;
        const int taken = enter(r.fd, queued, wait);
        if (taken < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EBUSY) {
                if (flying == 0 && errno != EINTR) {
                    // Nothing to reap that would make room: try again.
                    continue;
                }
            } else {
                // The ring failed under us: what it did not answer is lost.
                for (size_t i = 0; i < ops_.size(); ++i) {
                    if (!answered[i]) {
                        results_[i] = -EIO;
                    }
                }
                ring_.reset();
                return;
            }
        } else {
            queued -= unsigned(taken);
            flying += unsigned(taken);
        }
        unsigned head = *r.cqHead;
        const unsigned cqTail = __atomic_load_n(r.cqTail, __ATOMIC_ACQUIRE);
        for (; head != cqTail; ++head) {
            const io_uring_cqe& c = r.cqes[head & r.cqMask];
            const size_t index = size_t(c.user_data);
            results_[index] = c.res;
            answered[index] = true;
            if (ops_[index].kind == Kind::read && c.res > 0) {
                bytes += uint64_t(c.res);
            }
            --flying;
        }
        __atomic_store_n(r.cqHead, head, __ATOMIC_RELEASE);
    }
    ringBytes.fetch_add(bytes, std::memory_order_relaxed);
    for (size_t i = 0; i < ops_.size(); ++i) {
        const Op& op = ops_[i];
        if (op.kind == Kind::read && op.noWait && refusedNoWait(results_[i])) {
            results_[i] = readPlainly(op.fd, op.buffer, op.length, op.offset);
        }
    }
}
