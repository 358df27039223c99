// Eight messages side by side in the 256-bit registers: one lane each.

#include "Md5Kernels.h"

#include <immintrin.h>

#define MD5_TARGET __attribute__((target("avx2")))

namespace md5kernels {
namespace {

// Eight rows of eight words become eight columns: w[j] holds word j of every
// lane, lane i in element i.
MD5_TARGET inline void transpose(const __m256i r[8], __m256i w[8])
{
    __m256i t[8];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_epi32(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_epi32(r[2 * i], r[2 * i + 1]);
    }
    // u[4i + m], 128-bit half k: word 4k + m of rows 4i .. 4i + 3.
    __m256i u[8];
#pragma GCC unroll 2
    for (int i = 0; i < 2; ++i) {
        u[4 * i + 0] = _mm256_unpacklo_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 1] = _mm256_unpackhi_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 2] = _mm256_unpacklo_epi64(t[4 * i + 1], t[4 * i + 3]);
        u[4 * i + 3] = _mm256_unpackhi_epi64(t[4 * i + 1], t[4 * i + 3]);
    }
#pragma GCC unroll 4
    for (int m = 0; m < 4; ++m) {
        w[m] = _mm256_permute2x128_si256(u[m], u[4 + m], 0x20);
        w[4 + m] = _mm256_permute2x128_si256(u[m], u[4 + m], 0x31);
    }
}

MD5_TARGET inline __m256i rotateLeft(__m256i x, int s)
{
    return _mm256_or_si256(_mm256_slli_epi32(x, s), _mm256_srli_epi32(x, 32 - s));
}

}  // namespace

MD5_TARGET void blocksAvx2(uint32_t state[4 * 8], const uint8_t* const data[8], size_t blocks)
{
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(state));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(state + 8));
    __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(state + 16));
    __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(state + 24));
    const __m256i ones = _mm256_set1_epi32(-1);
#define MD5_ADD(x, y) _mm256_add_epi32(x, y)
#define MD5_ROL(x, s) rotateLeft(x, s)
    // Written so that the newest value, x, comes in as late as it can.
#define MD5_F(x, y, z) _mm256_xor_si256(z, _mm256_and_si256(x, _mm256_xor_si256(y, z)))
#define MD5_G(x, y, z) _mm256_or_si256(_mm256_and_si256(x, z), _mm256_andnot_si256(z, y))
#define MD5_H(x, y, z) _mm256_xor_si256(x, _mm256_xor_si256(y, z))
#define MD5_I(x, y, z) _mm256_xor_si256(y, _mm256_or_si256(x, _mm256_xor_si256(z, ones)))
#define MD5_K(i) _mm256_set1_epi32(int(constants[i]))
#define MD5_AND(x, y) _mm256_and_si256(x, y)
#define MD5_ANDNOT(x, y) _mm256_andnot_si256(x, y)
    for (size_t n = 0; n < blocks; ++n) {
        __m256i lo[8], hi[8];
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) {
            lo[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data[i] + n * 64));
            hi[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data[i] + n * 64 + 32));
        }
        __m256i W[16];
        transpose(lo, W);
        transpose(hi, W + 8);
        const __m256i a0 = a, b0 = b, c0 = c, d0 = d;
#include "Md5Rounds.h"
        a = _mm256_add_epi32(a, a0);
        b = _mm256_add_epi32(b, b0);
        c = _mm256_add_epi32(c, c0);
        d = _mm256_add_epi32(d, d0);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(state), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(state + 8), b);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(state + 16), c);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(state + 24), d);
}

}  // namespace md5kernels
