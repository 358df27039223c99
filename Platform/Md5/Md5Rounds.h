// The 64 steps of one MD5 block, written once for every kernel. The file
// that includes it defines, for its own vector type:
//   MD5_ADD(x, y)   lane-wise 32-bit addition
//   MD5_ROL(x, s)   lane-wise rotation left by the constant s
//   MD5_F/G/H/I(b, c, d)   the four round functions
//   MD5_K(i)        the step constant i in every lane
// and holds the message words of the block in W[0..15] and the state in
// a, b, c, d. No include guard: each kernel includes it in its own scope,
// and the definitions end with it.

// The sum of a, the word and the constant does not wait for the step before;
// only the round function, one addition, the rotation and the last addition
// do, so they come last.
#define MD5_STEP(FN, a, b, c, d, w, i, s) \
    a = MD5_ADD(b, MD5_ROL(MD5_ADD(MD5_ADD(a, MD5_ADD(W[w], MD5_K(i))), FN(b, c, d)), s))
// G's two terms share no bit, so their sum is their union: the one without
// b is added before b is known, and b waits for one AND and one addition
// instead of an AND, an OR and an addition. A kernel whose G is a single
// instruction leaves MD5_AND undefined and keeps the plain step.
#ifdef MD5_AND
#define MD5_STEP_G(a, b, c, d, w, i, s)                                                                   \
    a = MD5_ADD(b, MD5_ROL(MD5_ADD(MD5_ADD(a, MD5_ADD(MD5_ADD(W[w], MD5_K(i)), MD5_ANDNOT(d, c))), \
                                   MD5_AND(b, d)),                                                    \
                           s))
#else
#define MD5_STEP_G(a, b, c, d, w, i, s) MD5_STEP(MD5_G, a, b, c, d, w, i, s)
#endif

MD5_STEP(MD5_F, a, b, c, d, 0, 0, 7);
MD5_STEP(MD5_F, d, a, b, c, 1, 1, 12);
MD5_STEP(MD5_F, c, d, a, b, 2, 2, 17);
MD5_STEP(MD5_F, b, c, d, a, 3, 3, 22);
MD5_STEP(MD5_F, a, b, c, d, 4, 4, 7);
MD5_STEP(MD5_F, d, a, b, c, 5, 5, 12);
MD5_STEP(MD5_F, c, d, a, b, 6, 6, 17);
MD5_STEP(MD5_F, b, c, d, a, 7, 7, 22);
MD5_STEP(MD5_F, a, b, c, d, 8, 8, 7);
MD5_STEP(MD5_F, d, a, b, c, 9, 9, 12);
MD5_STEP(MD5_F, c, d, a, b, 10, 10, 17);
MD5_STEP(MD5_F, b, c, d, a, 11, 11, 22);
MD5_STEP(MD5_F, a, b, c, d, 12, 12, 7);
MD5_STEP(MD5_F, d, a, b, c, 13, 13, 12);
MD5_STEP(MD5_F, c, d, a, b, 14, 14, 17);
MD5_STEP(MD5_F, b, c, d, a, 15, 15, 22);

MD5_STEP_G(a, b, c, d, 1, 16, 5);
MD5_STEP_G(d, a, b, c, 6, 17, 9);
MD5_STEP_G(c, d, a, b, 11, 18, 14);
MD5_STEP_G(b, c, d, a, 0, 19, 20);
MD5_STEP_G(a, b, c, d, 5, 20, 5);
MD5_STEP_G(d, a, b, c, 10, 21, 9);
MD5_STEP_G(c, d, a, b, 15, 22, 14);
MD5_STEP_G(b, c, d, a, 4, 23, 20);
MD5_STEP_G(a, b, c, d, 9, 24, 5);
MD5_STEP_G(d, a, b, c, 14, 25, 9);
MD5_STEP_G(c, d, a, b, 3, 26, 14);
MD5_STEP_G(b, c, d, a, 8, 27, 20);
MD5_STEP_G(a, b, c, d, 13, 28, 5);
MD5_STEP_G(d, a, b, c, 2, 29, 9);
MD5_STEP_G(c, d, a, b, 7, 30, 14);
MD5_STEP_G(b, c, d, a, 12, 31, 20);

MD5_STEP(MD5_H, a, b, c, d, 5, 32, 4);
MD5_STEP(MD5_H, d, a, b, c, 8, 33, 11);
MD5_STEP(MD5_H, c, d, a, b, 11, 34, 16);
MD5_STEP(MD5_H, b, c, d, a, 14, 35, 23);
MD5_STEP(MD5_H, a, b, c, d, 1, 36, 4);
MD5_STEP(MD5_H, d, a, b, c, 4, 37, 11);
MD5_STEP(MD5_H, c, d, a, b, 7, 38, 16);
MD5_STEP(MD5_H, b, c, d, a, 10, 39, 23);
MD5_STEP(MD5_H, a, b, c, d, 13, 40, 4);
MD5_STEP(MD5_H, d, a, b, c, 0, 41, 11);
MD5_STEP(MD5_H, c, d, a, b, 3, 42, 16);
MD5_STEP(MD5_H, b, c, d, a, 6, 43, 23);
MD5_STEP(MD5_H, a, b, c, d, 9, 44, 4);
MD5_STEP(MD5_H, d, a, b, c, 12, 45, 11);
MD5_STEP(MD5_H, c, d, a, b, 15, 46, 16);
MD5_STEP(MD5_H, b, c, d, a, 2, 47, 23);

MD5_STEP(MD5_I, a, b, c, d, 0, 48, 6);
MD5_STEP(MD5_I, d, a, b, c, 7, 49, 10);
MD5_STEP(MD5_I, c, d, a, b, 14, 50, 15);
MD5_STEP(MD5_I, b, c, d, a, 5, 51, 21);
MD5_STEP(MD5_I, a, b, c, d, 12, 52, 6);
MD5_STEP(MD5_I, d, a, b, c, 3, 53, 10);
MD5_STEP(MD5_I, c, d, a, b, 10, 54, 15);
MD5_STEP(MD5_I, b, c, d, a, 1, 55, 21);
MD5_STEP(MD5_I, a, b, c, d, 8, 56, 6);
MD5_STEP(MD5_I, d, a, b, c, 15, 57, 10);
MD5_STEP(MD5_I, c, d, a, b, 6, 58, 15);
MD5_STEP(MD5_I, b, c, d, a, 13, 59, 21);
MD5_STEP(MD5_I, a, b, c, d, 4, 60, 6);
MD5_STEP(MD5_I, d, a, b, c, 11, 61, 10);
MD5_STEP(MD5_I, c, d, a, b, 2, 62, 15);
MD5_STEP(MD5_I, b, c, d, a, 9, 63, 21);

#undef MD5_STEP
#undef MD5_STEP_G
#undef MD5_AND
#undef MD5_ANDNOT
#undef MD5_ADD
#undef MD5_ROL
#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I
#undef MD5_K
