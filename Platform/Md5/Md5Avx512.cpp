// Sixteen messages side by side in the 512-bit registers: one lane each.

#include "Md5Kernels.h"

#include <immintrin.h>

// GCC 12 takes the deliberately undefined pass-through operand of the
// AVX-512 intrinsics for an uninitialised read when they are inlined into a
// function given its target by attribute.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define MD5_TARGET __attribute__((target("avx512f")))

namespace md5kernels {
namespace {

// Sixteen rows of sixteen words become sixteen columns: w[j] holds word j
// of every lane, lane i in element i.
MD5_TARGET inline void transpose(__m512i r[16], __m512i w[16])
{
    __m512i t[16];
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
        t[2 * i] = _mm512_unpacklo_epi32(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm512_unpackhi_epi32(r[2 * i], r[2 * i + 1]);
    }
    // u[4i + m], 128-bit part k: word 4k + m of rows 4i .. 4i + 3.
    __m512i u[16];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        u[4 * i + 0] = _mm512_unpacklo_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 1] = _mm512_unpackhi_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 2] = _mm512_unpacklo_epi64(t[4 * i + 1], t[4 * i + 3]);
        u[4 * i + 3] = _mm512_unpackhi_epi64(t[4 * i + 1], t[4 * i + 3]);
    }
    // The 128-bit parts themselves, four by four.
#pragma GCC unroll 4
    for (int m = 0; m < 4; ++m) {
        const __m512i p = _mm512_shuffle_i32x4(u[m], u[4 + m], 0x44);
        const __m512i q = _mm512_shuffle_i32x4(u[m], u[4 + m], 0xEE);
        const __m512i s = _mm512_shuffle_i32x4(u[8 + m], u[12 + m], 0x44);
        const __m512i v = _mm512_shuffle_i32x4(u[8 + m], u[12 + m], 0xEE);
        w[0 + m] = _mm512_shuffle_i32x4(p, s, 0x88);
        w[4 + m] = _mm512_shuffle_i32x4(p, s, 0xDD);
        w[8 + m] = _mm512_shuffle_i32x4(q, v, 0x88);
        w[12 + m] = _mm512_shuffle_i32x4(q, v, 0xDD);
    }
}

}  // namespace

MD5_TARGET void blocksAvx512(uint32_t state[4 * 16], const uint8_t* const data[16], size_t blocks)
{
    __m512i a = _mm512_loadu_si512(state);
    __m512i b = _mm512_loadu_si512(state + 16);
    __m512i c = _mm512_loadu_si512(state + 32);
    __m512i d = _mm512_loadu_si512(state + 48);
#define MD5_ADD(x, y) _mm512_add_epi32(x, y)
#define MD5_ROL(x, s) _mm512_rol_epi32(x, s)
    // Truth tables of b ? c : d, d ? b : c, b ^ c ^ d and c ^ (b | ~d).
#define MD5_F(x, y, z) _mm512_ternarylogic_epi32(x, y, z, 0xCA)
#define MD5_G(x, y, z) _mm512_ternarylogic_epi32(x, y, z, 0xE4)
#define MD5_H(x, y, z) _mm512_ternarylogic_epi32(x, y, z, 0x96)
#define MD5_I(x, y, z) _mm512_ternarylogic_epi32(x, y, z, 0x39)
#define MD5_K(i) _mm512_set1_epi32(int(constants[i]))
    for (size_t n = 0; n < blocks; ++n) {
        __m512i r[16];
#pragma GCC unroll 16
        for (int i = 0; i < 16; ++i) {
            r[i] = _mm512_loadu_si512(data[i] + n * 64);
        }
        __m512i W[16];
        transpose(r, W);
        const __m512i a0 = a, b0 = b, c0 = c, d0 = d;
#include "Md5Rounds.h"
        a = _mm512_add_epi32(a, a0);
        b = _mm512_add_epi32(b, b0);
        c = _mm512_add_epi32(c, c0);
        d = _mm512_add_epi32(d, d0);
    }
    _mm512_storeu_si512(state, a);
    _mm512_storeu_si512(state + 16, b);
    _mm512_storeu_si512(state + 32, c);
    _mm512_storeu_si512(state + 48, d);
}

}  // namespace md5kernels
