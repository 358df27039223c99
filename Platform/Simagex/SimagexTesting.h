/*
 * Simagex: what tests may reach beyond the plain interface.
 */
#ifndef SIMAGEX_TESTING_H
#define SIMAGEX_TESTING_H

#include "Simagex.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Called by a decoder with each image's path just before it decodes it;
 * it may hold the decoder there (an image slow to decode). NULL: none. */
typedef void (*SimagexDecodeHook)(const char* path, void* context);
SIMAGEX_EXPORT void SimagexSetDecodeHookForTesting(SimagexDecodeHook hook, void* context);

/* Called by a decoder with each image's path once it has read the image,
 * before the image reaches the groups and their report. NULL: none. */
SIMAGEX_EXPORT void SimagexSetDecodedHookForTesting(SimagexDecodeHook hook, void* context);

/* Decoders of every search still running, also those a stopped search
 * left to end by themselves. */
SIMAGEX_EXPORT int SimagexDecodersRunning(void);

#ifdef __cplusplus
}
#endif

#endif /* SIMAGEX_TESTING_H */
