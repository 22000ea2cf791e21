/* Pictures and texts turned into overlays, with imlib2. imlib2 keeps one global drawing
 * context, so every call into it, from any module in the process, goes through the lock of
 * this library; the overlays made here belong to the caller and need no lock to be drawn. */
#ifndef MIRELK_HOOK_IMAGING_H
#define MIRELK_HOOK_IMAGING_H

#include <stddef.h>
#include <stdint.h>

#include "hook_overlay.h"
#include "hook_support_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Where fonts are looked for when the module's own folder does not have the one named. */
#define HOOK_FONT_FOLDER "/usr/share/fonts/truetype/dejavu"
/* The font that stands in for one that is not installed. */
#define HOOK_DEFAULT_FONT "DejaVuSans"

typedef struct HookTextStyle {
    int bold;
    int italic;
    int underline;
    int strikeout;
} HookTextStyle;

/* Style letters in any order and case: B bold, I italic, U underline, S strikeout. Returns 0
 * on success, non-zero for any other character. */
MIRELK_HOOK_SUPPORT_API int hook_parse_text_style(const char *letters, HookTextStyle *style);

/* Finds the font file for a name such as "Tahoma", "Tahoma.ttf", "DejaVu Serif" or a path.
 * A path (a name with "/") must name an existing file. Otherwise the name is looked for,
 * without regard to case or blanks and with or without ".ttf", in moduleFolder (when not
 * empty), then in HOOK_FONT_FOLDER, preferring a bold and/or oblique variant of it there when
 * style asks for one; a name found nowhere stands for HOOK_DEFAULT_FONT. Writes the path and
 * returns 0; *styleInFile (when not null) tells whether the chosen file is already bold (1) and
 * already slanted (2). Returns non-zero with a reason when no font file is found. */
MIRELK_HOOK_SUPPORT_API int hook_find_font(const char *fontName, const HookTextStyle *style, const char *moduleFolder,
                                           char *path, size_t pathSize, int *styleInFile, char *reason,
                                           size_t reasonSize);

/* Loads a picture file (any format imlib2 reads) into overlay. Returns 0 on success, non-zero
 * with a reason when the file is missing, unreadable or larger than HOOK_OVERLAY_MAXIMUM_SIDE. */
MIRELK_HOOK_SUPPORT_API int hook_load_picture(const char *path, HookOverlay *overlay, char *reason,
                                              size_t reasonSize);

/* Draws text (UTF-8) with the font file at fontSize into a new overlay just large enough for
 * it, in colour rgb; the rest of the overlay is transparent. Bold and slant the file lacks are
 * imitated; underline and strikeout are drawn as lines across the text. Returns 0 on success,
 * non-zero with a reason. */
MIRELK_HOOK_SUPPORT_API int hook_render_text(const char *text, const char *fontPath, int fontSize,
                                             const HookTextStyle *style, int styleInFile, const uint8_t rgb[3],
                                             HookOverlay *overlay, char *reason, size_t reasonSize);

#ifdef __cplusplus
}
#endif

#endif /* MIRELK_HOOK_IMAGING_H */
