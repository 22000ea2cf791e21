/* What the hook modules draw: an RGBA picture of their own (the overlay), laid into a decoded
 * planar YUV picture in place. */
#ifndef MIRELK_HOOK_OVERLAY_H
#define MIRELK_HOOK_OVERLAY_H

#include <stdint.h>

#include "binding/hooks/frame_hook_module.h"
#include "hook_support_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Width x height pixels of four bytes each, in the order red, green, blue, alpha (0 is fully
 * transparent, 255 opaque); rows follow each other without gaps. */
typedef struct HookOverlay {
    int width;
    int height;
    uint8_t *rgba;
} HookOverlay;

/* The largest overlay side the modules accept. */
#define HOOK_OVERLAY_MAXIMUM_SIDE 8192

/* Makes a fully transparent overlay. Returns 0 on success; the overlay is left empty on
 * failure (sizes outside 1..HOOK_OVERLAY_MAXIMUM_SIDE, or no memory). */
MIRELK_HOOK_SUPPORT_API int hook_overlay_create(HookOverlay *overlay, int width, int height);
/* Frees the pixels and leaves the overlay empty; an empty overlay may be freed again. */
MIRELK_HOOK_SUPPORT_API void hook_overlay_free(HookOverlay *overlay);
/* Makes every pixel of exactly this colour fully transparent. */
MIRELK_HOOK_SUPPORT_API void hook_overlay_clear_colour(HookOverlay *overlay, uint8_t red, uint8_t green,
                                                       uint8_t blue);
/* Stretches source over width x height pixels into target (which is freed first), taking the
 * source pixel under the centre of each target pixel. Returns 0 on success. */
MIRELK_HOOK_SUPPORT_API int hook_overlay_scale(const HookOverlay *source, int width, int height,
                                               HookOverlay *target);

/* How the planes of a picture format are laid out, for the formats the modules draw on. */
typedef struct HookPictureLayout {
    int chromaShiftX; /* log2 of the horizontal chroma subsampling */
    int chromaShiftY; /* log2 of the vertical chroma subsampling */
    int fullRange;    /* 1: samples span 0..255 (the "J" formats); 0: video range 16..235/240 */
} HookPictureLayout;

/* Fills layout for the 8-bit planar YUV formats (4:2:0, 4:2:2, 4:4:4, 4:1:1, 4:4:0, 4:1:0 and
 * their full-range variants). Returns 0 for any other format, which the modules leave alone. */
MIRELK_HOOK_SUPPORT_API int hook_picture_layout(int pixelFormat, HookPictureLayout *layout);

typedef enum HookBlendMode {
    /* The overlay covers the picture by its alpha times the strength. */
    HOOK_BLEND_OVER,
    /* The overlay's difference from mid-grey is added to the picture, weighted by its alpha
     * times the strength: grey leaves the picture as it is, lighter parts brighten, darker
     * parts darken, colours tint. */
    HOOK_BLEND_ADD_DIFFERENCE
} HookBlendMode;

/* Lays the overlay into the picture with its top-left corner at (left, top), which may lie
 * outside the picture: only the part inside it is drawn. strength runs from 0 (nothing) to 255
 * (the overlay's own alpha). Subsampled chroma takes the alpha-weighted mean of the overlay
 * pixels over each chroma sample. Nothing outside width x height is touched. */
MIRELK_HOOK_SUPPORT_API void hook_overlay_draw(const HookOverlay *overlay, MirelkHookPicture *picture,
                                               const HookPictureLayout *layout, int width, int height,
                                               long left, long top, HookBlendMode mode, int strength);

#ifdef __cplusplus
}
#endif

#endif /* MIRELK_HOOK_OVERLAY_H */
