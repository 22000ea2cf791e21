/* An overlay drawn at a position given by two expressions (see hook_expression.h), evaluated
 * afresh for every frame: the common part of the modules that draw a picture or a text. */
#ifndef MIRELK_HOOK_PLACEMENT_H
#define MIRELK_HOOK_PLACEMENT_H

#include <stdint.h>

#include "binding/hooks/frame_hook_module.h"
#include "hook_overlay.h"
#include "hook_support_export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct HookPlacement {
    HookOverlay overlay;
    char *leftExpression; /* the overlay's left edge in the frame */
    char *topExpression;  /* the overlay's top edge in the frame */
} HookPlacement;

/* Checks and keeps copies of the two expressions; modulePath names the module in the report
 * of a bad one. Returns 0 on success. */
MIRELK_HOOK_SUPPORT_API int hook_placement_set_position(HookPlacement *placement, const char *modulePath,
                                                        const char *left, const char *top);

/* Draws the overlay over the frame at the position the expressions give for this frame
 * (frameNumber is N, pts in microseconds gives T); nothing for a position that is not a
 * number, for an empty overlay, or for a picture format the modules do not draw on. */
MIRELK_HOOK_SUPPORT_API void hook_placement_draw(const HookPlacement *placement, MirelkHookPicture *picture,
                                                 int pixelFormat, int width, int height, int64_t frameNumber,
                                                 int64_t pts);

/* Frees the overlay and the expressions; the placement is left empty. */
MIRELK_HOOK_SUPPORT_API void hook_placement_free(HookPlacement *placement);

#ifdef __cplusplus
}
#endif

#endif /* MIRELK_HOOK_PLACEMENT_H */
