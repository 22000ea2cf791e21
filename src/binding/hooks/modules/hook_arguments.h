/* Reading the argument lists the hook modules' Configure receives: pairs of an option name and
 * its value ("-x", "W-w"), numbers and colours. */
#ifndef MIRELK_HOOK_ARGUMENTS_H
#define MIRELK_HOOK_ARGUMENTS_H

#include <stddef.h>
#include <stdint.h>

#include "hook_support_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One option a module knows: its exact name and where the value is stored (left as it was
 * when the option is not given). An option with a words buffer takes a text that may hold
 * blanks: where blanks separate a line's items, such a text arrives as several items, so the
 * items after its value that are no option name are joined back to it, one blank between
 * each, in the buffer (and the value then points there). */
typedef struct HookOption {
    const char *name;
    const char **value;
    char *words;
    size_t wordsSize;
} HookOption;

/* Tells why a module refused its arguments: one line on standard error, beginning with the
 * module's file name (the engine itself only logs that Configure failed). */
MIRELK_HOOK_SUPPORT_API void hook_report(const char *modulePath, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

/* The body of every module's Configure: allocates a zeroed context of the given size, lets
 * configure read the arguments into it, and stores it in the slot; when configure fails (or
 * memory runs out, which is reported) the context is given to release and 1 returned. */
MIRELK_HOOK_SUPPORT_API int hook_configure_context(void **contextSlot, size_t size, int argc, char *argv[],
                                                   int (*configure)(void *context, int argc, char *argv[]),
                                                   void (*release)(void *context));

/* Reads argv[1] to argv[argc - 1] as pairs of a name from options and its value (see
 * HookOption for texts of several words); a later value of the same name replaces an earlier
 * one. Returns 0, or non-zero after reporting an unknown name, a name without a value or a
 * text too long for its buffer. */
MIRELK_HOOK_SUPPORT_API int hook_read_options(int argc, char *argv[], const HookOption *options, size_t count);

/* A whole decimal integer (optional sign) within lowest..highest. Returns 0 on success. */
MIRELK_HOOK_SUPPORT_API int hook_parse_integer(const char *text, long lowest, long highest, long *value);

/* A colour as six hexadecimal digits RRGGBB, optionally after "#". Returns 0 on success. */
MIRELK_HOOK_SUPPORT_API int hook_parse_colour(const char *text, uint8_t rgb[3]);

/* The folder part of a module's path, without the last delimiter ("" for a bare name). Returns
 * 0 on success, non-zero when it does not fit. */
MIRELK_HOOK_SUPPORT_API int hook_folder_of(const char *path, char *folder, size_t folderSize);

/* A copy of text made with malloc, or null when memory runs out. */
MIRELK_HOOK_SUPPORT_API char *hook_copy_text(const char *text);

#ifdef __cplusplus
}
#endif

#endif /* MIRELK_HOOK_ARGUMENTS_H */
