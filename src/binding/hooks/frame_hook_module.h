/* The interface of a frame hook module: a shared library that changes decoded pictures in place.
 *
 * A module exports, by these exact names and with C linkage:
 *
 *   Configure  optional; required only when the "vhook" line gives arguments after the module
 *              name. Called once per chain entry with the address of the entry's context slot
 *              (null on entry), the argument count (the module name included) and the
 *              arguments: argv[0] is the module name exactly as written, argv[argc] is null.
 *              The strings and the array stay valid, and writable, until the entry is
 *              released, so the module may keep pointers into them. Returns 0 on success; on
 *              any other result the entry is discarded without a call to Release.
 *   Process    required. Called for every picture the hooks are applied to, with the context
 *              Configure stored (null when there was no Configure call), the picture, its
 *              pixel format (an AVPixelFormat number), width, height and presentation time in
 *              microseconds of input time. Changes the picture in place. Entries of different
 *              tasks may call it at the same time, each with its own context.
 *   Release    optional. Called once when the entry is released, with its context.
 *
 * A module is loaded once per process and never unloaded. */
#ifndef MIRELK_FRAME_HOOK_MODULE_H
#define MIRELK_FRAME_HOOK_MODULE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Four plane pointers, then four line sizes in bytes (a line size may exceed the width). */
typedef struct MirelkHookPicture {
    uint8_t *data[4];
    int linesize[4];
} MirelkHookPicture;

typedef int (*MirelkHookConfigureProc)(void **contextSlot, int argc, char *argv[]);
typedef void (*MirelkHookProcessProc)(void *context, MirelkHookPicture *picture, int pixelFormat,
                                      int width, int height, int64_t pts);
typedef void (*MirelkHookReleaseProc)(void *context);

#define MIRELK_HOOK_EXPORT __attribute__((visibility("default")))

/* The program that loads modules defines MIRELK_FRAME_HOOK_HOST, so that these names are not
 * declared as functions of its own. */
#ifndef MIRELK_FRAME_HOOK_HOST
MIRELK_HOOK_EXPORT int Configure(void **contextSlot, int argc, char *argv[]);
MIRELK_HOOK_EXPORT void Process(void *context, MirelkHookPicture *picture, int pixelFormat,
                                int width, int height, int64_t pts);
MIRELK_HOOK_EXPORT void Release(void *context);
#endif

#ifdef __cplusplus
}
#endif

#endif /* MIRELK_FRAME_HOOK_MODULE_H */
