/*
 * Simagex: finds groups of images that look alike under a set of folders.
 *
 * Plain C interface. One search runs at a time: FindDuplicates walks the
 * folders, decodes and hashes every image on all cores, groups them around
 * source images and reports through two callbacks while it runs. Every text
 * handed to the library is copied before FindDuplicates starts working, so
 * the caller may free its arrays as soon as the call returns.
 */
#ifndef SIMAGEX_H
#define SIMAGEX_H

#include <stddef.h>
#include <stdint.h>

#if defined(SIMAGEX_BUILDING)
#define SIMAGEX_EXPORT __attribute__((visibility("default")))
#else
#define SIMAGEX_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of every call; 0 is success. */
typedef enum Errors {
    kOk = 0,
    kParamInvaild = 1,
    kPathNotExist = 2,
    kPathNotDirectory = 3,
    kCreateDirectoryFailed = 4,
    kInitLogFailed = 5,
    kInitProgressControlFailed = 6,
    kInitThreadPoolFailed = 7,
    kComputeImageHashFailed = 8,
    kStoped = 9,
    kCrashed = 10,
    kReadImageFailed = 11,
    kSaveImageFailed = 12
} Errors;

/* The text of a result code ("Ok", "Param invaild", ...); "" for an unknown code. */
SIMAGEX_EXPORT const char* SimagexErrorMessage(int code);

/* The kind of a progress report: 0 in progress, 1 finished, 2 stopped. */
typedef int32_t ProgressType;
#define kProgressRunning ((ProgressType)0)
#define kProgressFinished ((ProgressType)1)
#define kProgressStopped ((ProgressType)2)

/* UTF-8 JSON text, not terminated. Valid only during the callback. */
typedef struct JsonData {
    const char* data;
    uint32_t length;
} JsonData;

/*
 * Search options, laid out byte for byte as callers build them (packed, the
 * double at offset 4). Sizes are bytes; 0 means no limit.
 */
#pragma pack(push, 1)
typedef struct FindOptions {
    uint8_t flag;                  /*  0: reserved, 0 */
    uint8_t reserved[3];           /*  1 */
    double threshold;              /*  4: similarity in percent, 20 ... 100 */
    int32_t maxFileSize;           /* 12 */
    int32_t minFileSize;           /* 16 */
    const char* const* whiteList;  /* 20: excluded folders (and files) */
    int32_t whiteListCount;        /* 28 */
    const char* const* extensions; /* 32: ".jpg" ... matched case-insensitively */
    int32_t extensionCount;        /* 40 */
    uint8_t skipHidden;            /* 44: 1 skips names starting with "." */
} FindOptions;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(offsetof(FindOptions, flag) == 0, "FindOptions layout");
static_assert(offsetof(FindOptions, threshold) == 4, "FindOptions layout");
static_assert(offsetof(FindOptions, maxFileSize) == 12, "FindOptions layout");
static_assert(offsetof(FindOptions, minFileSize) == 16, "FindOptions layout");
static_assert(offsetof(FindOptions, whiteList) == 20, "FindOptions layout");
static_assert(offsetof(FindOptions, whiteListCount) == 28, "FindOptions layout");
static_assert(offsetof(FindOptions, extensions) == 32, "FindOptions layout");
static_assert(offsetof(FindOptions, extensionCount) == 40, "FindOptions layout");
static_assert(offsetof(FindOptions, skipHidden) == 44, "FindOptions layout");
static_assert(sizeof(FindOptions) == 45, "FindOptions layout");
#else
_Static_assert(offsetof(FindOptions, threshold) == 4, "FindOptions layout");
_Static_assert(offsetof(FindOptions, whiteList) == 20, "FindOptions layout");
_Static_assert(offsetof(FindOptions, skipHidden) == 44, "FindOptions layout");
#endif

/*
 * Progress: {"ratio": 0.0 ... 1.0, "total": <images>,
 *            "extra_info": {"current_deal_img_path": "<path>"}}
 * The ratio never goes back. Exactly one report of type 1 (finished) or 2
 * (stopped) ends every search.
 */
typedef void (*ProgressCallback)(ProgressType type, JsonData data);

/*
 * Groups: [{"path": "<source>", "similar_img_infos": [{"path": "...",
 * "similarity": 93.75, "identity": {"device": "2049", "inode": "...",
 * "size": "...", "mtime_ns": "...", "ctime_ns": "..."}}, ...]}, ...]. A group
 * is reported once it has two images (the source among them); each later
 * image of that group is reported once, under the same source path. No image
 * is reported twice. Bytes of a path that are not UTF-8 travel as the escapes
 * \udc80 ... \udcff. "identity" is what the file was (lstat: device, inode,
 * size, modification and status-change times in nanoseconds, as decimal
 * texts) when its bytes were read; it was the same before and after the
 * reading, so the pixels compared are those of that file.
 */
typedef void (*FoundDupCallback)(JsonData data);

/* Opens "SimagexSDK.log" in the folder (created when missing). */
SIMAGEX_EXPORT int InitImageDuplicate(const char* logFolder, const char* reserved);

/*
 * Runs a whole search and returns when it has ended: kOk after a finished
 * search, kStoped after a stop. Callbacks come from the library's collector
 * thread, one at a time. Paths of `paths` that are also white-list entries
 * only exclude; they are never searched.
 */
SIMAGEX_EXPORT int FindDuplicates(const char* const* paths, int32_t count, const FindOptions* options,
                                  FoundDupCallback found, ProgressCallback progress);

/* Asks the running search to stop; it ends with a stopped report within
 * about a tenth of a second, without waiting for the images its decoders
 * have in hand: those end by themselves and touch no later search. */
SIMAGEX_EXPORT int StopFindDuplicates(int32_t reason);

#ifdef __cplusplus
}
#endif

#endif /* SIMAGEX_H */
