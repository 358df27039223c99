#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// MD5 (RFC 1321) of our own: one message at a time, or many messages of one
// length side by side in the lanes of the processor's vector registers.
//
// MD5 cannot be split within a message: every block waits for the one before
// it, and a single message keeps a core's arithmetic units mostly idle. Files
// of one size are hashed together instead, one per lane, so one pass of the
// rounds serves up to sixteen files for about the cost of one.

using Md5Digest = std::array<uint8_t, 16>;

// The instruction sets the lanes run on, narrowest first.
enum class Md5Kernel { scalar, avx2, avx512 };

// One message, fed in pieces of any length.
class Md5 {
public:
    Md5();
    void add(const void* data, size_t length);
    // The digest of everything added; the object is spent afterwards.
    Md5Digest finish();

    static Md5Digest of(const void* data, size_t length);
    // 32 lower-case hexadecimal digits, in digest order.
    static std::array<char, 32> hex(const Md5Digest& digest);

private:
    uint32_t state_[4];
    uint64_t length_ = 0;
    uint8_t buffer_[64];
};

// Messages of one length, hashed in lock-step. Every add() gives each message
// the same number of bytes; a message whose source failed is dropped and gets
// no digest, the others go on. Any count is accepted: they are taken as many
// at a time as the kernel has lanes, and a batch of one runs on the scalar
// rounds (no wider pass is faster for a single message).
class Md5Lanes {
public:
    explicit Md5Lanes(size_t count);
    Md5Lanes(const Md5Lanes&) = delete;
    Md5Lanes& operator=(const Md5Lanes&) = delete;

    size_t count() const { return count_; }
    // `data[i]` holds the next `length` bytes of message i; entries of
    // dropped messages are not read and may be null.
    void add(const uint8_t* const* data, size_t length);
    // Dropping a message that others follow leaves them going on alone.
    void drop(size_t index);
    bool dropped(size_t index) const { return dropped_[index]; }
    // Equal bytes make equal digests: a message told to follow another
    // (which itself follows none) holds, so far and until unfollowed, the
    // same bytes as its leader, is not hashed, and ends with its leader's
    // digest. Unfollowed before an add() whose bytes differ, it goes on from
    // its leader's state, which is then its own, at the cost of one message.
    void follow(size_t index, size_t leader);
    void unfollow(size_t index);
    bool following(size_t index) const { return leader_[index] != kNoLeader; }
    size_t leaderOf(size_t index) const { return leader_[index]; }
    // Ends every message; a dropped one has no digest. Spent afterwards.
    std::vector<std::optional<Md5Digest>> finish();

    // The widest kernel the processor offers, unless one was forced.
    static Md5Kernel kernel();
    static bool supported(Md5Kernel kernel);
    static int lanesOf(Md5Kernel kernel);
    // Forces a kernel the processor supports (tests, and comparisons on one
    // machine); nothing restores the processor's own choice. The variable
    // TWINSWEEP_MD5_KERNEL (scalar, avx2, avx512) does the same for a run.
    static void forceKernel(std::optional<Md5Kernel> kernel);

private:
    void blocks(const uint8_t* const* data, size_t blockCount);
    static constexpr size_t kNoLeader = SIZE_MAX;
    // Not hashed in a pass: dropped, or following another.
    bool idle(size_t index) const { return dropped_[index] || leader_[index] != kNoLeader; }

    size_t count_;
    Md5Kernel kernel_;
    std::vector<uint32_t> state_;  // per batch of lanes: A, B, C and D rows
    std::vector<bool> dropped_;
    std::vector<size_t> leader_;  // kNoLeader, or the message whose bytes it holds
    std::vector<uint8_t> buffer_;  // 64 bytes a message: its partial block
    size_t buffered_ = 0;
    uint64_t length_ = 0;
};
