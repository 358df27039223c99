#include "Md5.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "Md5Kernels.h"

namespace md5kernels {
namespace {

// N messages in general-purpose registers, as N independent chains that the
// processor runs side by side. A vector lane waits longer on each step than
// a general-purpose register does, so a wide pass with few live lanes is
// slower than this. The file is built without automatic vectorisation,
// which would pack these chains into vector registers again.
template <int N>
struct Words {
    uint32_t v[N];
};
template <int N>
[[gnu::always_inline]] inline Words<N> operator+(Words<N> p, Words<N> q)
{
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
        p.v[j] += q.v[j];
    }
    return p;
}
template <int N>
[[gnu::always_inline]] inline Words<N> rol(Words<N> p, int s)
{
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
        p.v[j] = std::rotl(p.v[j], s);
    }
    return p;
}
template <int N>
[[gnu::always_inline]] inline Words<N> f(Words<N> b, Words<N> c, Words<N> d)
{
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
        b.v[j] = d.v[j] ^ (b.v[j] & (c.v[j] ^ d.v[j]));
    }
    return b;
}
template <int N>
[[gnu::always_inline]] inline Words<N> g(Words<N> b, Words<N> c, Words<N> d)
{
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
        b.v[j] = (b.v[j] & d.v[j]) | (c.v[j] & ~d.v[j]);
    }
    return b;
}
template <int N>
[[gnu::always_inline]] inline Words<N> h(Words<N> b, Words<N> c, Words<N> d)
{
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
        b.v[j] = b.v[j] ^ c.v[j] ^ d.v[j];
    }
    return b;
}
template <int N>
[[gnu::always_inline]] inline Words<N> i(Words<N> b, Words<N> c, Words<N> d)
{
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
        b.v[j] = c.v[j] ^ (b.v[j] | ~d.v[j]);
    }
    return b;
}
template <int N>
[[gnu::always_inline]] inline Words<N> both(Words<N> p, Words<N> q)
{
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
        p.v[j] &= q.v[j];
    }
    return p;
}
// The bits of q that p lacks.
template <int N>
[[gnu::always_inline]] inline Words<N> without(Words<N> p, Words<N> q)
{
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
        p.v[j] = q.v[j] & ~p.v[j];
    }
    return p;
}
template <int N>
[[gnu::always_inline]] inline Words<N> constant(int n)
{
    Words<N> k;
#pragma GCC unroll 4
    for (int j = 0; j < N; ++j) {
        k.v[j] = constants[n];
    }
    return k;
}

template <int N>
void interleaved(uint32_t* state, const uint8_t* const* data, size_t blocks)
{
    Words<N> a, b, c, d;
    for (int j = 0; j < N; ++j) {
        a.v[j] = state[j], b.v[j] = state[N + j], c.v[j] = state[2 * N + j], d.v[j] = state[3 * N + j];
    }
#define MD5_ADD(p, q) ((p) + (q))
#define MD5_ROL(p, s) rol(p, s)
#define MD5_F(p, q, r) f(p, q, r)
#define MD5_G(p, q, r) g(p, q, r)
#define MD5_H(p, q, r) h(p, q, r)
#define MD5_I(p, q, r) i(p, q, r)
#define MD5_K(n) constant<N>(n)
#define MD5_AND(p, q) both(p, q)
#define MD5_ANDNOT(p, q) without(p, q)
    for (size_t n = 0; n < blocks; ++n) {
        Words<N> W[16];
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            uint32_t words[16];
            std::memcpy(words, data[j] + n * 64, 64);  // the words are little-endian, as here
#pragma GCC unroll 16
            for (int w = 0; w < 16; ++w) {
                W[w].v[j] = words[w];
            }
        }
        const Words<N> a0 = a, b0 = b, c0 = c, d0 = d;
#include "Md5Rounds.h"
        a = a + a0;
        b = b + b0;
        c = c + c0;
        d = d + d0;
    }
    for (int j = 0; j < N; ++j) {
        state[j] = a.v[j], state[N + j] = b.v[j], state[2 * N + j] = c.v[j], state[3 * N + j] = d.v[j];
    }
}

}  // namespace

void blocksScalar(uint32_t state[4], const uint8_t* data, size_t blocks)
{
    interleaved<1>(state, &data, blocks);
}

void blocksPair(uint32_t state[4 * 2], const uint8_t* const data[2], size_t blocks)
{
    interleaved<2>(state, data, blocks);
}

void blocksTriple(uint32_t state[4 * 3], const uint8_t* const data[3], size_t blocks)
{
    interleaved<3>(state, data, blocks);
}


}  // namespace md5kernels

static_assert(std::endian::native == std::endian::little, "the block functions read words in machine order");

namespace {

constexpr uint32_t kInitial[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

// The padding after a message of `length` bytes of which `buffered` wait in
// `tail`: 0x80, zeros, the length in bits; one block or two.
size_t pad(uint8_t* tail, size_t buffered, uint64_t length)
{
    const size_t blocks = buffered < 56 ? 1 : 2;
    tail[buffered] = 0x80;
    std::memset(tail + buffered + 1, 0, blocks * 64 - buffered - 1);
    const uint64_t bits = length * 8;
    std::memcpy(tail + blocks * 64 - 8, &bits, 8);
    return blocks;
}

Md5Digest digestOf(const uint32_t words[4])
{
    Md5Digest out;
    std::memcpy(out.data(), words, 16);
    return out;
}

std::optional<Md5Kernel> kernelNamed(const char* name)
{
    if (!name) {
        return std::nullopt;
    }
    if (std::strcmp(name, "scalar") == 0) {
        return Md5Kernel::scalar;
    }
    if (std::strcmp(name, "avx2") == 0) {
        return Md5Kernel::avx2;
    }
    if (std::strcmp(name, "avx512") == 0) {
        return Md5Kernel::avx512;
    }
    return std::nullopt;
}

Md5Kernel widestSupported()
{
    if (const std::optional<Md5Kernel> named = kernelNamed(std::getenv("TWINSWEEP_MD5_KERNEL"));
        named && Md5Lanes::supported(*named)) {
        return *named;
    }
    if (Md5Lanes::supported(Md5Kernel::avx512)) {
        return Md5Kernel::avx512;
    }
    if (Md5Lanes::supported(Md5Kernel::avx2)) {
        return Md5Kernel::avx2;
    }
    return Md5Kernel::scalar;
}

std::atomic<int> forced{-1};

// Lanes held side by side in one batch of the state.
size_t batchOf(Md5Kernel kernel)
{
    return kernel == Md5Kernel::scalar ? 4 : size_t(Md5Lanes::lanesOf(kernel));
}

}  // namespace

Md5::Md5()
{
    std::memcpy(state_, kInitial, sizeof state_);
}

void Md5::add(const void* data, size_t length)
{
    auto bytes = static_cast<const uint8_t*>(data);
    size_t buffered = size_t(length_ % 64);
    length_ += length;
    if (buffered > 0) {
        const size_t take = std::min(64 - buffered, length);
        std::memcpy(buffer_ + buffered, bytes, take);
        bytes += take;
        length -= take;
        if (buffered + take < 64) {
            return;
        }
        md5kernels::blocksScalar(state_, buffer_, 1);
    }
    md5kernels::blocksScalar(state_, bytes, length / 64);
    std::memcpy(buffer_, bytes + length / 64 * 64, length % 64);
}

Md5Digest Md5::finish()
{
    uint8_t tail[128];
    const size_t buffered = size_t(length_ % 64);
    std::memcpy(tail, buffer_, buffered);
    md5kernels::blocksScalar(state_, tail, pad(tail, buffered, length_));
    return digestOf(state_);
}

Md5Digest Md5::of(const void* data, size_t length)
{
    Md5 hash;
    hash.add(data, length);
    return hash.finish();
}

std::array<char, 32> Md5::hex(const Md5Digest& digest)
{
    static const char digits[] = "0123456789abcdef";
    std::array<char, 32> out;
    for (size_t i = 0; i < 16; ++i) {
        out[2 * i] = digits[digest[i] >> 4];
        out[2 * i + 1] = digits[digest[i] & 15];
    }
    return out;
}

bool Md5Lanes::supported(Md5Kernel kernel)
{
    switch (kernel) {
    case Md5Kernel::scalar:
        return true;
    case Md5Kernel::avx2:
        // Also true only where the system saves the wide registers.
        return __builtin_cpu_supports("avx2");
    case Md5Kernel::avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
}

int Md5Lanes::lanesOf(Md5Kernel kernel)
{
    switch (kernel) {
    case Md5Kernel::scalar:
        return 1;
    case Md5Kernel::avx2:
        return 8;
    case Md5Kernel::avx512:
        return 16;
    }
    return 1;
}

Md5Kernel Md5Lanes::kernel()
{
    const int chosen = forced.load(std::memory_order_relaxed);
    if (chosen >= 0) {
        return Md5Kernel(chosen);
    }
    static const Md5Kernel widest = widestSupported();
    return widest;
}

void Md5Lanes::forceKernel(std::optional<Md5Kernel> kernel)
{
    forced.store(kernel && supported(*kernel) ? int(*kernel) : -1, std::memory_order_relaxed);
}

Md5Lanes::Md5Lanes(size_t count)
    : count_(count), kernel_(kernel()), dropped_(count, false), leader_(count, kNoLeader), buffer_(count * 64)
{
    const size_t lanes = batchOf(kernel_);
    const size_t batches = (count + lanes - 1) / lanes;
    state_.resize(batches * 4 * lanes);
    for (size_t batch = 0; batch < batches; ++batch) {
        for (size_t row = 0; row < 4; ++row) {
            std::fill_n(state_.begin() + std::ptrdiff_t((batch * 4 + row) * lanes), lanes, kInitial[row]);
        }
    }
}

void Md5Lanes::drop(size_t index)
{
    if (leader_[index] != kNoLeader) {
        leader_[index] = kNoLeader;
    } else {
        // Those that held its bytes so far go on from its state on their own.
        for (size_t i = 0; i < count_; ++i) {
            if (leader_[i] == index) {
                unfollow(i);
            }
        }
    }
    dropped_[index] = true;
}

void Md5Lanes::follow(size_t index, size_t leader)
{
    if (index == leader || dropped_[index] || dropped_[leader] || leader_[leader] != kNoLeader) {
        return;
    }
    leader_[index] = leader;
}

void Md5Lanes::unfollow(size_t index)
{
    const size_t leader = leader_[index];
    if (leader == kNoLeader) {
        return;
    }
    leader_[index] = kNoLeader;
    // Equal bytes so far, so equal state so far, and the same partial block.
    const size_t lanes = batchOf(kernel_);
    for (size_t row = 0; row < 4; ++row) {
        state_[(index / lanes * 4 + row) * lanes + index % lanes] = state_[(leader / lanes * 4 + row) * lanes + leader % lanes];
    }
    std::memcpy(buffer_.data() + index * 64, buffer_.data() + leader * 64, buffered_);
}

namespace {

// Measured here (aggregate bytes a second on one core): two chains 1.39 GB/s,
// three 1.46, four 1.32 (they spill registers), an AVX2 pass 3.6 with all
// eight lanes live, an AVX-512 pass 6.3 with all sixteen. So fewer than four
// live lanes go to the general-purpose chains, never more than three at a
// time; from four, a wide pass is cheaper; and on AVX-512, up to eight live
// lanes take the AVX2 pass, whose round costs less than a sixteen-lane one.
constexpr size_t kWideFrom = 4;
constexpr size_t kHalfWideUpTo = 8;

// Runs `blocks` blocks of one to three of a batch's lanes (`lanes`, `count`
// of them) on the general-purpose chains.
void narrow(uint32_t* state, size_t stride, const size_t* lanes, size_t count, const uint8_t* const* data,
            size_t blocks)
{
    const size_t width = count;
    uint32_t words[12];
    const uint8_t* from[3];
    for (size_t j = 0; j < width; ++j) {
        const size_t lane = lanes[j];
        for (size_t row = 0; row < 4; ++row) {
            words[row * width + j] = state[row * stride + lane];
        }
        from[j] = data[lane];
    }
    if (width == 3) {
        md5kernels::blocksTriple(words, from, blocks);
    } else if (width == 2) {
        md5kernels::blocksPair(words, from, blocks);
    } else {
        md5kernels::blocksScalar(words, from[0], blocks);
    }
    for (size_t j = 0; j < count; ++j) {
        for (size_t row = 0; row < 4; ++row) {
            state[row * stride + lanes[j]] = words[row * width + j];
        }
    }
}

// All `count` live lanes on the chains, three at a time; four as two pairs.
void narrowAll(uint32_t* state, size_t stride, const size_t* lanes, size_t count, const uint8_t* const* data,
               size_t blocks)
{
    for (size_t at = 0; at < count;) {
        const size_t take = count - at == 4 ? 2 : std::min<size_t>(3, count - at);
        narrow(state, stride, lanes + at, take, data, blocks);
        at += take;
    }
}

// Up to eight live lanes of a sixteen-lane batch through the AVX2 pass; its
// spare lanes repeat the last live one, and their state is thrown away.
void halfWide(uint32_t* state, size_t stride, const size_t* lanes, size_t count, const uint8_t* const* data,
              size_t blocks)
{
    uint32_t words[4 * 8];
    const uint8_t* from[8];
    for (size_t j = 0; j < 8; ++j) {
        const size_t lane = lanes[std::min(j, count - 1)];
        for (size_t row = 0; row < 4; ++row) {
            words[row * 8 + j] = state[row * stride + lane];
        }
        from[j] = data[lane];
    }
    md5kernels::blocksAvx2(words, from, blocks);
    for (size_t j = 0; j < count; ++j) {
        for (size_t row = 0; row < 4; ++row) {
            state[row * stride + lanes[j]] = words[row * 8 + j];
        }
    }
}

}  // namespace

void Md5Lanes::blocks(const uint8_t* const* data, size_t blockCount)
{
    if (blockCount == 0) {
        return;
    }
    const size_t batch = batchOf(kernel_);
    for (size_t first = 0; first < count_; first += batch) {
        const size_t end = std::min(count_, first + batch);
        size_t live[16];
        size_t liveCount = 0;
        const uint8_t* pointers[16];
        for (size_t i = first; i < end; ++i) {
            if (!idle(i)) {
                live[liveCount++] = i - first;
            }
            pointers[i - first] = data[i];
        }
        if (liveCount == 0) {
            continue;
        }
        uint32_t* state = state_.data() + first * 4;  // first is a multiple of the batch
        if (kernel_ == Md5Kernel::scalar || liveCount < kWideFrom) {
            narrowAll(state, batch, live, liveCount, pointers, blockCount);
            continue;
        }
        static const bool avx2 = Md5Lanes::supported(Md5Kernel::avx2);
        if (kernel_ == Md5Kernel::avx512 && liveCount <= kHalfWideUpTo && avx2) {
            halfWide(state, batch, live, liveCount, pointers, blockCount);
            continue;
        }
        // Empty and dropped lanes repeat a live one's bytes; their state is
        // never read.
        for (size_t lane = 0; lane < batch; ++lane) {
            if (first + lane >= end || idle(first + lane)) {
                pointers[lane] = pointers[live[0]];
            }
        }
        if (kernel_ == Md5Kernel::avx512) {
            md5kernels::blocksAvx512(state, pointers, blockCount);
        } else {
            md5kernels::blocksAvx2(state, pointers, blockCount);
        }
    }
}

void Md5Lanes::add(const uint8_t* const* data, size_t length)
{
    if (length == 0) {
        return;
    }
    length_ += length;
    std::vector<const uint8_t*> from(count_, nullptr);
    size_t offset = 0;
    if (buffered_ > 0) {
        const size_t take = std::min(64 - buffered_, length);
        for (size_t i = 0; i < count_; ++i) {
            if (!idle(i)) {
                std::memcpy(buffer_.data() + i * 64 + buffered_, data[i], take);
            }
        }
        buffered_ += take;
        offset = take;
        if (buffered_ < 64) {
            return;
        }
        for (size_t i = 0; i < count_; ++i) {
            from[i] = buffer_.data() + i * 64;
        }
        blocks(from.data(), 1);
        buffered_ = 0;
    }
    const size_t whole = (length - offset) / 64;
    if (whole > 0) {
        for (size_t i = 0; i < count_; ++i) {
            from[i] = idle(i) ? nullptr : data[i] + offset;
        }
        blocks(from.data(), whole);
        offset += whole * 64;
    }
    if (offset < length) {
        buffered_ = length - offset;
        for (size_t i = 0; i < count_; ++i) {
            if (!idle(i)) {
                std::memcpy(buffer_.data() + i * 64, data[i] + offset, buffered_);
            }
        }
    }
}

std::vector<std::optional<Md5Digest>> Md5Lanes::finish()
{
    // Every message has the same length, so the same padding.
    std::vector<uint8_t> tails(count_ * 128);
    std::vector<const uint8_t*> from(count_, nullptr);
    size_t padBlocks = 0;
    for (size_t i = 0; i < count_; ++i) {
        uint8_t* tail = tails.data() + i * 128;
        std::memcpy(tail, buffer_.data() + i * 64, buffered_);
        padBlocks = pad(tail, buffered_, length_);
        from[i] = tail;
    }
    blocks(from.data(), padBlocks);
    std::vector<std::optional<Md5Digest>> out(count_);
    const size_t lanes = batchOf(kernel_);
    for (size_t i = 0; i < count_; ++i) {
        if (idle(i)) {
            continue;
        }
        const uint32_t* state = state_.data() + i / lanes * lanes * 4;
        const size_t lane = i % lanes;
        const uint32_t words[4] = {state[lane], state[lanes + lane], state[2 * lanes + lane], state[3 * lanes + lane]};
        out[i] = digestOf(words);
    }
    for (size_t i = 0; i < count_; ++i) {
        if (leader_[i] != kNoLeader) {
            out[i] = out[leader_[i]];
        }
    }
    return out;
}
